#pragma once

#include <QWidget>

#include <memory>
#include <stdexcept>

class SkinDocument;
class SkinElement;
class SkinForm;

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

    void LoadSkin(const QString &path);
    void ApplySkin(QWidget *window);
    void SetWindowCaption(QWidget *window, const QString &text);
    SkinForm *GetSkinForm(QWidget *window);

signals:
    void Click(const QString &elementName);
};

// The element tree of a skinned window.
class SkinForm {
public:
    virtual ~SkinForm();
    // The element with that name, or nullptr.
    virtual SkinElement *FindObject(const QString &name) = 0;
};

// One element of the skin; a text element shows the text it is given.
class SkinElement {
public:
    virtual ~SkinElement();
    virtual QString name() const = 0;
    virtual void SetText(const QString &text) = 0;
    virtual void Refresh() = 0;
};
