// The folder picker: a modal dialog over the file system's folder tree. It is
// created once and reused, so the tree keeps its expanded branches, its
// selection and its position from one showing to the next. The caller sets the
// caption; the dialog never restores it.
#pragma once

#include <QDialog>
#include <QPoint>

class QFileSystemModel;
class QPushButton;
class QTreeView;

namespace tevarro {

class Tfm_dir : public QDialog {
    Q_OBJECT
public:
    explicit Tfm_dir(QWidget* parent = nullptr);

    // The folder confirmed with Ok in the last showing; empty when the dialog
    // was closed any other way.
    QString ChosenFolder() const { return ChosenFolder_; }

    QTreeView* ShellTreeView1() const { return ShellTreeView1_; }

    void btn_okClick();
    void btn_cancelClick();

protected:
    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QFileSystemModel* model_;
    QTreeView* ShellTreeView1_;
    QPushButton* btn_ok_;
    QPushButton* btn_cancel_;
    QString ChosenFolder_;
    bool shownBefore_ = false;
    QPoint lastPosition_;
};

}  // namespace tevarro
