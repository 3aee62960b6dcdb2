// The job list: the list view LV and the job table, kept in step. Row r of the
// view is entry r of the table. UI thread only.
#pragma once

#include "joblist/job_table.h"

#include <QString>

class QTreeWidget;

namespace tevarro {

enum class JobColumn { FileName = 0, Span = 1, Time = 2, Status = 3 };

class JobList {
public:
    explicit JobList(QTreeWidget* view);

    // Columns, captions and widths, and the list's behaviour: several
    // selected rows, whole-row selection, no editing, no sorting, headers
    // not clickable.
    static void SetUpView(QTreeWidget* view);

    QTreeWidget* View() const { return LV_; }
    int RowCount() const;
    // The selected row: the lowest-numbered row whose selected state is set,
    // or -1 when none is.
    int SelectedRow() const;
    bool IsSelected(int row) const;
    // Sets the row's selected state only; focus is left as it is.
    void SelectRow(int row);

    Timerec& Entry(int row) { return JobTable_[static_cast<size_t>(row)]; }
    const Timerec& Entry(int row) const { return JobTable_[static_cast<size_t>(row)]; }

    QString Caption(int row) const;
    QString Text(int row, JobColumn column) const;
    // The text, and as its tooltip `why` when given, else the text itself.
    void SetText(int row, JobColumn column, const QString& text, const QString& why = {});

    // Appends a row for a source measured at `duration` seconds and writes its
    // entry: caption `caption`, marks 0 and the truncated length, "unconverted".
    void AddRow(const QString& path, const QString& caption, double duration);

    // Removes every selected row with its entry; later entries move down.
    void RemoveSelected();
    // Deletes all rows; the table is left as it is.
    void DeleteAllRows();

private:
    QTreeWidget* LV_;
    JobTable JobTable_;
};

// The "Begin time - End time" and "Time" texts of a row's marks.
QString SpanText(const Timerec& entry);
QString KeptTimeText(const Timerec& entry);

}  // namespace tevarro
