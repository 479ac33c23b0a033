#pragma once

#include <QDialog>

class ErrorReport;
class FolderRootsModel;
class QCheckBox;
class QLabel;
class QTreeView;
class Settings;

// The folder dialog: one folder picked from a folder tree whose top-level nodes
// are the home folder and the mounted drives. The caller sets the caption and the prompt, may offer the sub-folder
// switch, and reads result() after the dialog has closed (empty: cancelled).
class FolderDialog : public QDialog {
    Q_OBJECT
public:
    FolderDialog(Settings &settings, ErrorReport &report, QWidget *parent = nullptr);

    void setAction(const QString &prompt);
    void showSubFolderSwitch();
    QString result() const { return m_result; }

    QTreeView *folderTree() const { return m_tree; }
    QCheckBox *subFolderCheck() const { return m_subFolderCheck; }
    // Selects a folder in the tree, as a click would.
    void selectFolder(const QString &path);

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void ensureFolderTree();
    void loadValues();
    void acceptFolder();
    void cancelSelection();

    Settings &m_settings;
    ErrorReport &m_report;
    QLabel *m_promptLabel = nullptr;
    QTreeView *m_tree = nullptr;
    FolderRootsModel *m_model = nullptr;
    QCheckBox *m_subFolderCheck = nullptr;
    QString m_result;
};
