// SPDX-License-Identifier: GPL-3.0-or-later
#include "picturereading.h"

PictureReading::PictureReading() {
    ViewPictures::initResources(); // before the thread reads from them
    m_thread = std::thread([this] {
        // The icon first: the window sets it before it needs the pictures.
        m_iconImages.set_value(ViewPictures::readWindowIcons());
        ViewPictures pictures;
        pictures.load();
        m_pictures.set_value(std::move(pictures));
    });
}

PictureReading::~PictureReading() {
    m_thread.join();
}

QIcon PictureReading::takeWindowIcon() {
    return ViewPictures::iconOf(m_iconsRead.get());
}

ViewPictures PictureReading::takePictures() {
    return m_picturesRead.get();
}
