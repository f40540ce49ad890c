// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "screencolour.h"

#include "colourtransform.h"

#include <QColorSpace>
#include <QGuiApplication>
#include <QHash>

#ifdef LUMORA_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

#include <cstdlib>

namespace ScreenColour {

namespace {

#ifdef LUMORA_HAVE_XCB
// The first screen's _ICC_PROFILE, as the ICC Profiles in X Specification places it.
QByteArray rootWindowProfile()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return {};
    static const char name[] = "_ICC_PROFILE";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr);
    if (!atom)
        return {};
    const xcb_atom_t property = atom->atom;
    std::free(atom);
    if (property == XCB_ATOM_NONE)
        return {};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    // Profiles are small; 16 MB (in 32-bit units) bounds a broken one.
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, root, property, XCB_ATOM_ANY, 0, (16u << 20) / 4), nullptr);
    if (!reply)
        return {};
    QByteArray profile;
    if (reply->format == 8)
        profile = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)),
                             xcb_get_property_value_length(reply));
    std::free(reply);
    return profile;
}
#endif

bool sameColours(const QByteArray &a, const QByteArray &b)
{
    if (a == b)
        return true;
    // Different bytes for the same colours, such as two makers' sRGB, as far as Qt reads.
    const QColorSpace first
        = QColorSpace::fromIccProfile(a.isEmpty() ? ColourTransform::srgbProfile() : a);
    const QColorSpace second
        = QColorSpace::fromIccProfile(b.isEmpty() ? ColourTransform::srgbProfile() : b);
    return first.isValid() && second.isValid() && first == second;
}

} // namespace

QByteArray screenProfile()
{
#ifdef LUMORA_HAVE_XCB
    static const QByteArray profile = rootWindowProfile();
    return profile;
#else
    return {};
#endif
}

QImage shown(const QImage &picture)
{
    const QByteArray screen = screenProfile();
    const QByteArray own
        = picture.colorSpace().isValid() ? picture.colorSpace().iccProfile() : QByteArray();
    if (picture.isNull() || sameColours(own, screen))
        return picture;
    // One transform for each profile a picture comes in, made once (the GUI thread's).
    static QHash<QByteArray, ColourTransform> transforms;
    auto found = transforms.find(own);
    if (found == transforms.end())
        found = transforms.insert(
            own,
            ColourTransform(own.isEmpty() ? ColourTransform::srgbProfile() : own,
                            screen.isEmpty() ? ColourTransform::srgbProfile() : screen,
                            ColourTransform::Precision::Fast));
    return found->applied(picture);
}

} // namespace ScreenColour
