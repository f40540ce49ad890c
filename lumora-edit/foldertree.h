// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef FOLDERTREE_H
#define FOLDERTREE_H

#include <QList>
#include <QString>

// The pictures of a batch's inputs taken recursively (`-r`): a folder stands for every
// picture file under it, each with its place in the folder's tree, so that the tree is
// kept under the output folder.
namespace FolderTree {

struct Picture
{
    QString path; // as NativePath gives names
    QString subfolder; // its folder relative to the folder given; empty at the top
};

// `input` itself when it is no folder; otherwise every file under it, at any depth, with
// the suffix of a picture format ("jpg", "png", "heic", ... in any case), in name order.
// Hidden files and folders (a name starting with '.') are left out, and links to folders
// not followed, so that a link cannot lead the walk round in a circle.
QList<Picture> pictures(const QString &input);

} // namespace FolderTree

#endif // FOLDERTREE_H
