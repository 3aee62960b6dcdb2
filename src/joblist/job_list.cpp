#include "joblist/job_list.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace tevarro {

JobList::JobList(QTreeWidget* view) : LV_(view) {}

void JobList::SetUpView(QTreeWidget* view)
{
    view->setColumnCount(4);
    view->setHeaderLabels({QStringLiteral("File Name"), QStringLiteral("Begin time - End time"),
                           QStringLiteral("Time"), QStringLiteral("Status")});
    const int widths[] = {105, 112, 58, 70};
    for (int column = 0; column < 4; ++column)
        view->setColumnWidth(column, widths[column]);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSortingEnabled(false);
    view->setFrameShape(QFrame::NoFrame);
    view->setAllColumnsShowFocus(true);
    view->header()->setSectionsClickable(false);
    view->header()->setSectionsMovable(false);
    view->header()->setSectionResizeMode(QHeaderView::Interactive);
    view->header()->setStretchLastSection(false);
}

int JobList::RowCount() const
{
    return LV_->topLevelItemCount();
}

int JobList::SelectedRow() const
{
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        if (LV_->topLevelItem(row)->isSelected())
            return row;
    }
    return -1;
}

bool JobList::IsSelected(int row) const
{
    return LV_->topLevelItem(row)->isSelected();
}

void JobList::SelectRow(int row)
{
    LV_->topLevelItem(row)->setSelected(true);
}

QString JobList::Caption(int row) const
{
    return Text(row, JobColumn::FileName);
}

QString JobList::Text(int row, JobColumn column) const
{
    return LV_->topLevelItem(row)->text(static_cast<int>(column));
}

void JobList::SetText(int row, JobColumn column, const QString& text, const QString& why)
{
    QTreeWidgetItem* item = LV_->topLevelItem(row);
    item->setText(static_cast<int>(column), text);
    // The columns are narrow; the whole text is a hover away.
    item->setToolTip(static_cast<int>(column), why.isEmpty() ? text : why);
}

void JobList::AddRow(const QString& path, const QString& caption, double duration)
{
    const std::int32_t length = TruncateSeconds(duration);
    auto* item = new QTreeWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren);
    LV_->addTopLevelItem(item);
    const int row = RowCount() - 1;
    SetText(row, JobColumn::FileName, caption);
    SetText(row, JobColumn::Span, QStringLiteral("00:00:00 - ") + SecondsToClock(length));
    SetText(row, JobColumn::Time, SecondsToClock(length));
    SetText(row, JobColumn::Status, QStringLiteral("unconverted"));

    Timerec& entry = Entry(row);
    entry.BeginSec = 0;
    entry.EndSec = length;
    entry.LengthSec = length;
    entry.SourcePath = path;
}

void JobList::RemoveSelected()
{
    const int passes = RowCount();
    int row = 0;
    for (int pass = 0; pass < passes; ++pass) {
        if (IsSelected(row)) {
            for (int j = row; j <= RowCount() - 2; ++j)
                Entry(j) = Entry(j + 1);
            delete LV_->takeTopLevelItem(row);
        } else {
            ++row;
        }
    }
}

void JobList::DeleteAllRows()
{
    LV_->clear();
}

QString SpanText(const Timerec& entry)
{
    return SecondsToClock(entry.BeginSec) + QStringLiteral(" - ") + SecondsToClock(entry.EndSec);
}

QString KeptTimeText(const Timerec& entry)
{
    const std::int64_t kept = static_cast<std::int64_t>(entry.EndSec) - entry.BeginSec;
    return kept > 0 ? SecondsToClock(static_cast<std::int32_t>(kept)) : QStringLiteral("00:00:00");
}

}  // namespace tevarro
