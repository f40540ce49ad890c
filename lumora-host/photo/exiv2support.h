// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EXIV2SUPPORT_H
#define EXIV2SUPPORT_H

#include <QString>
#include <QStringList>

#include <exiv2/exiv2.hpp>

#include <exception>

// What the photo metadata files share about Exiv2: its one-time set-up, its log kept
// apart per thread, and reading a key's value as text. Internal to lumoraphoto.
namespace Exiv2Support {

// Sets up Exiv2's XMP toolkit (with a lock, for threads) and routes its log through
// Listener; call before any Exiv2 use. Cheap after the first call.
void setUp();

// Collects Exiv2's messages on this thread, each once, for as long as it lives; lines
// said while none lives go to Exiv2's default handler. Listeners nest: the inner one
// hears, the outer one is back when it ends.
class Listener
{
public:
    Listener();
    ~Listener();
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;

    QStringList messages;

private:
    QStringList *m_outer;
};

// An exception's own words, trimmed.
QString describe(const std::exception &e);
// " (Exiv2: first message; and N more)", or empty when there are none: put after our words.
QString detail(const QStringList &messages);

// Whether the key is held. Exiv2 throws on a key it does not know.
bool hasKey(const Exiv2::ExifData &exif, const char *key);
bool hasKey(const Exiv2::XmpData &xmp, const char *key);
// A key's value as text, trimmed; empty when absent. EXIF: the first of several
// NUL-separated strings. XMP: a language alternative's x-default, the items of an array
// joined by ", ".
QString text(const Exiv2::ExifData &exif, const char *key);
QString text(const Exiv2::XmpData &xmp, const char *key);

// Erases each datum `predicate` selects from Exiv2's ExifData, XmpData or IptcData.
template<typename Data, typename Predicate> void eraseIf(Data &data, Predicate predicate)
{
    for (auto it = data.begin(); it != data.end();) {
        if (predicate(*it))
            it = data.erase(it);
        else
            ++it;
    }
}

} // namespace Exiv2Support

#endif // EXIV2SUPPORT_H
