#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class ErrorReport;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QVBoxLayout;
class Settings;
class UpDown;

// The output settings dialog: edits the encoder settings of the six output
// formats and how the join treats its inputs (the Join page). It loads the stored values each time it is shown and writes all of
// them back only on OK; Default resets the controls without writing.
class OutputSettingsDialog : public QDialog {
    Q_OBJECT

public:
    OutputSettingsDialog(Settings &settings, ErrorReport &errorReport, QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One control bound to one key, in the order the dialog loads and stores them.
    struct Binding {
        // M4bBitrate: an index whose default follows the stored M4B channel count.
        enum class Kind { Index, Position, Switch, WavMode, M4bBitrate };
        Kind kind;
        QString section;
        QString key;
        QWidget *control;
        int defaultValue;  // used on show for a missing or unreadable key
    };

    void createControls();
    QWidget *createMp3Page();
    QWidget *createWavPage();
    QWidget *createOggPage();
    QWidget *createWmaPage();
    QWidget *createFlacPage();
    QWidget *createM4bPage();
    QWidget *createJoinPage();
    QWidget *createButtonRow();
    void createBindings();
    void connectHandlers();

    QComboBox *addList(QGridLayout *grid, int row, int column, const QString &caption,
                       const QString &name, const QStringList &items);
    QLineEdit *addNumberEdit(QGridLayout *grid, int row, int column, const QString &caption,
                             const QString &name, int maxLength, UpDown *&spin,
                             const QString &spinName, int maximum);
    static QLabel *addNote(QVBoxLayout *layout, const QString &text);

    void loadBinding(const Binding &binding);
    void storeBinding(const Binding &binding);
    void loadJunction();
    void storeJunction();

    // Handlers.
    void formShow();
    void btn_okClick();
    void btn_defaultClick();
    void btn_cancelClick();
    void cb_vbrClick();
    void rb_modeClick();
    void cb_ogg_qualityClick();
    void cb_loudnessClick();
    void cb_junctionChange();
    void edt_ogg_qualityChange();
    void edt_ogg_qualityExit();
    void applyEnablingRules();

    Settings &m_settings;
    ErrorReport &m_errorReport;
    QList<Binding> m_bindings;

    QTabWidget *pc = nullptr;

    QComboBox *cb_mp3_frequency = nullptr;
    QComboBox *cb_mp3_channel = nullptr;
    QComboBox *cb_mp3_bitrate = nullptr;
    QLineEdit *edt_mp3_quality = nullptr;
    UpDown *ud_mp3_quality = nullptr;
    QCheckBox *cb_vbr = nullptr;
    QComboBox *cb_mp3_vbr = nullptr;
    QLineEdit *edt_mp3_vbr = nullptr;
    UpDown *ud_mp3_vbr = nullptr;

    QRadioButton *rb_cdquality = nullptr;
    QRadioButton *rb_custom = nullptr;
    QComboBox *cb_wav_frequency = nullptr;
    QComboBox *cb_wav_bit = nullptr;
    QComboBox *cb_wav_channel = nullptr;

    QComboBox *cb_ogg_fre = nullptr;
    QComboBox *cb_ogg_channel = nullptr;
    QComboBox *cb_ogg_bitrate = nullptr;
    QCheckBox *cb_ogg_quality = nullptr;
    QLineEdit *edt_ogg_quality = nullptr;
    UpDown *ud_ogg_quality = nullptr;
    QComboBox *cb_ogg_minbit = nullptr;
    QComboBox *cb_ogg_maxbit = nullptr;

    QComboBox *cb_wma = nullptr;

    QComboBox *cb_flac_frequency = nullptr;
    QComboBox *cb_flac_channel = nullptr;
    QComboBox *cb_flac_bit = nullptr;
    QLineEdit *edt_flac_level = nullptr;
    UpDown *ud_flac_level = nullptr;

    QComboBox *cb_m4b_frequency = nullptr;
    QComboBox *cb_m4b_channel = nullptr;
    QComboBox *cb_m4b_bitrate = nullptr;

    QCheckBox *cb_loudness = nullptr;
    QComboBox *cb_loudness_target = nullptr;
    QComboBox *cb_junction = nullptr;
    QLineEdit *edt_junction_ms = nullptr;
    UpDown *ud_junction_ms = nullptr;

    QPushButton *btn_ok = nullptr;
    QPushButton *btn_default = nullptr;
    QPushButton *btn_cancel = nullptr;
};
