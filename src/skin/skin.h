#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>
#include <stdexcept>
#include <vector>

class SkinDocument;
class SkinElement;
class SkinElementTree;
class SkinForm;
class SkinAccessibleButton;
class SkinItem;

// A skin file that cannot be loaded, or a skin operation that cannot be done.
class SkinError : public std::runtime_error {
public:
    explicit SkinError(const QString &text);
};

// The skin control: loads a skin file, then draws the window it is applied to
// (background, title band, command buttons, text elements) and reports clicks
// on its elements by name.
class Skin : public QWidget {
    Q_OBJECT
public:
    explicit Skin(QWidget *parent = nullptr);
    ~Skin() override;

    // Each operation throws SkinError when it cannot be done.
    void loadSkin(const QString &path);
    // Covers the window's client area, beneath the window's own controls.
    void applySkin(QWidget *window);
    // The text of the title band (and the window's title).
    void setWindowCaption(QWidget *window, const QString &text);
    SkinForm *getSkinForm(QWidget *window);

signals:
    void click(const QString &elementName);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void requireSkinned(QWidget *window, const char *operation) const;
    void paintTitleBand(QPainter &painter) const;
    void setHovered(SkinItem *item);
    void repaintItem(const SkinItem *item);
    void makeAccessibleButtons();

    std::unique_ptr<SkinDocument> m_document;
    // Element pointers handed out stay valid until the next LoadSkin.
    std::unique_ptr<SkinElementTree> m_tree;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_host;
    QString m_caption;
    SkinItem *m_hovered = nullptr;
    SkinItem *m_pressed = nullptr;
    std::vector<SkinAccessibleButton *> m_accessibleButtons;
};

// The element tree of a skinned window.
class SkinForm {
public:
    virtual ~SkinForm();
    // The element with that name, or nullptr.
    virtual SkinElement *findObject(const QString &name) = 0;
};

// One element of the skin; a text element shows the text it is given.
class SkinElement {
public:
    virtual ~SkinElement();
    virtual QString name() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual void refresh() = 0;
};
