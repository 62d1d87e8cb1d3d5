// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewpictures.h"

#include <QImageReader>
#include <QPixmap>
#include <QString>

// Q_INIT_RESOURCE declares a function of its own and must stand outside any namespace.
static void initPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace {
const int IconSizes[] = {16, 24, 32, 48, 64, 128, 256};
const int WindowIconSizes[] = {16, 24, 32, 48, 64};

QString iconFile(int size) {
    return QStringLiteral(":/pictures/icon128-%1.png").arg(size);
}
} // namespace

void ViewPictures::initResources() {
    initPictureResources();
}

int ViewPictures::load() {
    initResources();
    int loaded = 0;
    for (size_t i = 0; i < Ids.size(); ++i) {
        const QImage image = readPng(QStringLiteral(":/pictures/pic%1.png").arg(Ids[i]));
        // The view combines pixels bitwise on 32-bit RGB, as the images it draws
        // into. The staves come with a palette of two colours and are only ever
        // copied whole: they keep one byte a pixel, a quarter of the memory.
        if (image.isNull())
            m_images[i] = QImage();
        else if (image.format() == QImage::Format_Indexed8)
            m_images[i] = image;
        else
            m_images[i] = image.convertToFormat(QImage::Format_RGB32);
        loaded += m_images[i].isNull() ? 0 : 1;
    }
    return loaded;
}

QImage ViewPictures::readPng(const QString& path) {
    QImageReader reader(path, "png");
    // Guessing the format would first load every image plugin installed (and
    // the libraries behind them) to ask each one, at every start.
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

int ViewPictures::count() const {
    int loaded = 0;
    for (const QImage& image : m_images)
        loaded += image.isNull() ? 0 : 1;
    return loaded;
}

int ViewPictures::slotOf(int id) {
    for (size_t i = 0; i < Ids.size(); ++i) {
        if (Ids[i] == id)
            return static_cast<int>(i);
    }
    return -1;
}

const QImage& ViewPictures::picture(int id) const {
    const int slot = slotOf(id);
    return slot < 0 ? m_none : m_images[slot];
}

QSize ViewPictures::size(int id) const {
    const QImage& image = picture(id);
    return image.isNull() ? QSize(0, 0) : image.size();
}

QIcon ViewPictures::programIcon() {
    initResources();
    QIcon icon;
    for (int size : IconSizes)
        icon.addPixmap(QPixmap::fromImage(readPng(iconFile(size))));
    return icon;
}

std::vector<QImage> ViewPictures::readWindowIcons() {
    std::vector<QImage> images;
    for (int size : WindowIconSizes)
        images.push_back(readPng(iconFile(size)));
    return images;
}

QIcon ViewPictures::iconOf(const std::vector<QImage>& images) {
    QIcon icon;
    for (const QImage& image : images)
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}
