#include "skin/skin.h"
#include "skin/skindocument.h"
#include "skin/skinelementtree.h"

#include "fuzzinput.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    return 0;
}

// A skin file is read and checked; one that passes makes its window's
// elements, which are drawn and searched as the window does.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = FuzzInput::toFile(data, size, QStringLiteral("in.skin"));
    try {
        const SkinDocument document = SkinDocument::load(path);
        QWidget host;
        SkinElementTree tree(document.elements(), &host);
        QImage image(64, 48, QImage::Format_ARGB32);
        QPainter painter(&image);
        tree.paint(painter, image.rect(), nullptr, nullptr);
        tree.clickableAt(QPoint(10, 10));
        tree.hintAt(QPoint(30, 20));
        tree.findObject(QStringLiteral("close"));
    } catch (const SkinError &) {
    }
    return 0;
}
