// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's pictures and icon into a folder (resources/pictures by
// default), named by their resource ids.
#include "glyphs.h"
#include "iconart.h"
#include "logoart.h"
#include "noteart.h"
#include "staffart.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

namespace {
bool save(const QImage& image, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "qvb-artwork: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// A picture of two colours goes into the file with a palette: the program
// keeps it at one byte a pixel instead of four.
bool saveTwoColour(const QImage& image, const QDir& dir, const QString& name) {
    QList<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (!colours.contains(pixel))
                colours.append(pixel);
        }
    }
    if (colours.size() > 2) {
        std::fprintf(stderr, "qvb-artwork: %s has %d colours, not two\n", qPrintable(name),
                     int(colours.size()));
        return false;
    }
    return save(image.convertToFormat(QImage::Format_Indexed8, colours, Qt::ThresholdDither), dir,
                name);
}
} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1])
                            : QStringLiteral("resources/pictures"));
    if (!dir.exists()) {
        std::fprintf(stderr, "qvb-artwork: folder %s does not exist\n", qPrintable(dir.path()));
        return 1;
    }
    Glyphs glyphs;
    if (!glyphs.load())
        return 1;

    constexpr QRgb White = 0xffffffff;
    constexpr QRgb HeadGreen = 0xff0efe02; // (14, 254, 2)
    constexpr QRgb HeadRed = 0xffff0101;   // (255, 1, 1)
    constexpr QRgb SignGreen = 0xff00ff00;
    constexpr QRgb SignRed = 0xffff0000;

    bool ok = saveTwoColour(StaffArt::upperStaff(glyphs), dir, "pic147.png");
    ok = save(LogoArt::logo(glyphs), dir, "pic143.png") && ok;
    ok = saveTwoColour(StaffArt::scale(glyphs, false), dir, "pic174.png") && ok;
    ok = saveTwoColour(StaffArt::scale(glyphs, true), dir, "pic171.png") && ok;
    ok = save(NoteArt::headPicture(glyphs, White), dir, "pic176.png") && ok;
    ok = save(NoteArt::headPicture(glyphs, HeadGreen), dir, "pic177.png") && ok;
    ok = save(NoteArt::headPicture(glyphs, HeadRed), dir, "pic178.png") && ok;
    const QRgb signColours[3] = {White, SignGreen, SignRed};
    for (int i = 0; i < 3; ++i) {
        ok = save(NoteArt::signPicture(glyphs, -1, signColours[i]), dir,
                  QStringLiteral("pic%1.png").arg(129 + i)) &&
             ok;
        ok = save(NoteArt::signPicture(glyphs, +1, signColours[i]), dir,
                  QStringLiteral("pic%1.png").arg(139 + i)) &&
             ok;
    }
    for (int size : IconArt::Sizes)
        ok = save(IconArt::icon(glyphs, size), dir, QStringLiteral("icon128-%1.png").arg(size)) &&
             ok;
    return ok ? 0 : 1;
}
