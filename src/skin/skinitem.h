#pragma once

#include "skin/skin.h"
#include "skin/skinelementspec.h"

#include <QFont>
#include <QRect>

class QPainter;
class QWidget;

enum class SkinItemState { Normal, Hovered, Pressed };

// An element as the skin widget holds it: it knows its place and draws itself.
class SkinItem : public SkinElement {
public:
    SkinItem(SkinElementSpec spec, QWidget *host);

    QString name() const override;
    void SetText(const QString &text) override;
    void Refresh() override;

    QString text() const { return m_text; }
    QRect rect() const { return m_spec.rect; }
    QString hint() const { return m_spec.hint; }
    SkinElementKind kind() const { return m_spec.kind; }
    virtual bool isClickable() const;
    virtual void paint(QPainter &painter, SkinItemState state) const = 0;

protected:
    const SkinElementSpec &spec() const { return m_spec; }
    QFont textFont() const;
    // A rounded box with a shaded face; a transparent border draws none.
    void drawBox(QPainter &painter, const SkinFill &face, const QColor &border) const;
    // The glyph (if any) and the text, centred together or aligned as the skin says.
    void drawContent(QPainter &painter, const QRectF &area) const;

private:
    SkinElementSpec m_spec;
    QString m_text;
    QWidget *m_host;
};
