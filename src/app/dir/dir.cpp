#include "app/dir/dir.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeView>

namespace tevarro {

Tfm_dir::Tfm_dir(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      model_(new QFileSystemModel(this)),
      ShellTreeView1_(new QTreeView(this)),
      btn_ok_(new QPushButton(QStringLiteral("Ok"), this)),
      btn_cancel_(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("fm_dir"));
    setWindowTitle(QStringLiteral("Output Directory"));
    setModal(true);
    setFixedSize(287, 248);

    // Folders only, hidden ones left out, and no watching for changes.
    model_->setFilter(QDir::Dirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setOption(QFileSystemModel::DontWatchForChanges, true);
    model_->setRootPath(QDir::rootPath());

    ShellTreeView1_->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        ShellTreeView1_->hideColumn(column);
    ShellTreeView1_->header()->hide();
    ShellTreeView1_->setIndentation(19);
    ShellTreeView1_->setRootIsDecorated(false);
    ShellTreeView1_->setSelectionMode(QAbstractItemView::SingleSelection);
    ShellTreeView1_->setGeometry(14, 13, 259, 192);
    // A right click selects the folder under the pointer, as a left click does.
    ShellTreeView1_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ShellTreeView1_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = ShellTreeView1_->indexAt(at);
        if (index.isValid())
            ShellTreeView1_->setCurrentIndex(index);
    });

    // Neither button answers Enter or Escape on its own.
    for (QPushButton* button : {btn_ok_, btn_cancel_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    btn_ok_->setObjectName(QStringLiteral("btn_ok"));
    btn_cancel_->setObjectName(QStringLiteral("btn_cancel"));
    btn_ok_->setGeometry(36, 216, 75, 25);
    btn_cancel_->setGeometry(172, 216, 75, 25);
    connect(btn_ok_, &QPushButton::clicked, this, &Tfm_dir::btn_okClick);
    connect(btn_cancel_, &QPushButton::clicked, this, &Tfm_dir::btn_cancelClick);
}

void Tfm_dir::btn_okClick()
{
    const QModelIndexList selected = ShellTreeView1_->selectionModel()->selectedIndexes();
    ChosenFolder_ = selected.isEmpty() ? QString() : QDir::toNativeSeparators(model_->filePath(selected.first()));
    if (!ChosenFolder_.isEmpty())
        accept();
}

void Tfm_dir::btn_cancelClick()
{
    ChosenFolder_.clear();
    reject();
}

void Tfm_dir::done(int result)
{
    // Every way of closing other than Ok with a folder leaves no choice.
    if (result != QDialog::Accepted)
        ChosenFolder_.clear();
    QDialog::done(result);
}

void Tfm_dir::showEvent(QShowEvent* event)
{
    if (!shownBefore_) {
        shownBefore_ = true;
        const QModelIndex home = model_->index(QDir::homePath());
        for (QModelIndex at = home; at.isValid(); at = at.parent())
            ShellTreeView1_->expand(at);
        ShellTreeView1_->scrollTo(home, QAbstractItemView::PositionAtTop);
        if (parentWidget()) {
            const QRect over = parentWidget()->frameGeometry();
            move(over.center() - rect().center());
        }
    } else {
        move(lastPosition_);
    }
    QDialog::showEvent(event);
}

void Tfm_dir::hideEvent(QHideEvent* event)
{
    lastPosition_ = pos();
    QDialog::hideEvent(event);
}

}  // namespace tevarro

namespace tevarro {

void Tfm_dir::keyPressEvent(QKeyEvent* event)
{
    // Escape is no shortcut for Cancel here; the close box and the window
    // manager's close still work.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tevarro
