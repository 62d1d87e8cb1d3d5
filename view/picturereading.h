// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QImage>
#include <future>
#include <thread>
#include <vector>

#include "viewpictures.h"

// The window's icon and the view's pictures, decoded on a thread of their own
// from the moment the application exists. Decoding the PNG files is a good
// part of the window's start; this way the window builds its controls
// meanwhile, and each part is waited for only where the window needs it.
class PictureReading {
public:
    PictureReading();  // starts at once; the application object must exist
    ~PictureReading(); // waits for the thread

    PictureReading(const PictureReading&) = delete;
    PictureReading& operator=(const PictureReading&) = delete;

    // Each waits until its part is read, and may be taken once. The icon is
    // made on the calling thread (the window's), where pixmaps may be made.
    QIcon takeWindowIcon();
    ViewPictures takePictures();

private:
    std::promise<std::vector<QImage>> m_iconImages;
    std::promise<ViewPictures> m_pictures;
    std::future<std::vector<QImage>> m_iconsRead = m_iconImages.get_future();
    std::future<ViewPictures> m_picturesRead = m_pictures.get_future();
    std::thread m_thread;
};
