#pragma once

#include <QDialog>
#include <QList>
#include <QString>

#include <span>

class ErrorReport;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QTabWidget;
class Settings;
class UpDown;

// The output settings dialog: edits the encoder settings of the six output
// formats and how the join treats its inputs (the Join page). Each page is
// described by rows, from which its controls are built, loaded, stored and
// reset. It loads the stored values each time it is shown and writes all of
// them back only on OK; Default resets the controls without writing.
class OutputSettingsDialog : public QDialog {
    Q_OBJECT

public:
    OutputSettingsDialog(Settings &settings, ErrorReport &errorReport, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Row;
    struct Page;
    // A control built from a row.
    struct Binding {
        const Row *row = nullptr;  // a radio button's: the first of its run, which holds the key
        const Page *page = nullptr;
        QWidget *control = nullptr;  // list, up-down, check box or radio button
        QLineEdit *edit = nullptr;   // a number's edit
        QWidget *enabler = nullptr;  // the control whose state enables this one
        int value = 0;               // the value a radio button stands for
    };

    void createControls();
    QWidget *createPage(const Page &page);
    QGridLayout *createGroup(QWidget *page, std::span<const Row> rows, std::span<Binding> bindings);
    QWidget *createControl(const Row &row, Binding &binding);
    QWidget *createButtonRow();
    void connectHandlers();
    const Binding &bindingOf(const QString &name) const;

    int storedValue(const Binding &binding) const;
    static void showValue(const Binding &binding, int value);
    void storeValue(const Binding &binding);
    void loadJunction();
    void storeJunction();

    void loadValues();
    void storeValues();
    void restoreDefaults();
    void updateEnabledControls();
    void readOggQualityText();
    void fillEmptyOggQuality();

    Settings &m_settings;
    ErrorReport &m_errorReport;
    // Every control of every page, each page's in the order of its rows.
    QList<Binding> m_bindings;

    QTabWidget *m_pages = nullptr;
    QLineEdit *m_oggQualityEdit = nullptr;
    UpDown *m_oggQuality = nullptr;
    QComboBox *m_junction = nullptr;
    UpDown *m_junctionMilliseconds = nullptr;
};
