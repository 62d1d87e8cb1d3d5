// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QImage>
#include <QSize>
#include <array>
#include <vector>

// The thirteen pictures the view is made of, loaded once from the program's
// resources by their ids, with the size recorded for each.
class ViewPictures {
public:
    // Resource ids, in the order they are loaded.
    static constexpr std::array<int, 13> Ids = {147, 143, 174, 171, 176, 177, 178,
                                                129, 130, 131, 139, 140, 141};

    // Loads every picture; one that cannot be loaded stays empty (size 0 x 0)
    // and is drawn as nothing. Returns the number loaded.
    int load();

    // How many are loaded.
    int count() const;
    // The picture with this id (an empty image for an unknown id).
    const QImage& picture(int id) const;
    // Its recorded width and height.
    QSize size(int id) const;

    // One of the program's own PNG pictures, read by Qt's built-in reader
    // alone; a null image when it cannot be read.
    static QImage readPng(const QString& path);

    // The program icon (resource 128) in all its drawn sizes.
    static QIcon programIcon();
    // The sizes the window carries itself, those a title bar and a task bar
    // draw (the desktop takes the larger ones from the installed icon theme),
    // read on any thread; iconOf makes the icon of them on the window's.
    static std::vector<QImage> readWindowIcons();
    static QIcon iconOf(const std::vector<QImage>& images);
    // Makes the pictures reachable under ":/pictures/"; the resource data
    // lives in a static library and is not linked in otherwise.
    static void initResources();

private:
    static int slotOf(int id);
    std::array<QImage, Ids.size()> m_images;
    QImage m_none;
};
