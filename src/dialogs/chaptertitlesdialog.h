#pragma once

#include <QDialog>
#include <QStringList>

class JoinList;
class QTableWidget;

// The chapter titles of the list's rows: one row per input with its file name
// and its title, editable, showing the title the naming rule gives where the
// user set none. "Ok" stores the edited titles on their rows, a title put back
// to the rule's (or emptied) leaving the row to the rule again; "Cancel"
// changes nothing.
class ChapterTitlesDialog : public QDialog {
    Q_OBJECT

public:
    explicit ChapterTitlesDialog(JoinList &list, QWidget *parent = nullptr);

private:
    void acceptTitles();

    JoinList &m_list;
    QTableWidget *m_table = nullptr;
    // Each row's title by the naming rule, as shown where the user set none.
    QStringList m_defaults;
};
