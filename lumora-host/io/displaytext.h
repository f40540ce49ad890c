// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef DISPLAYTEXT_H
#define DISPLAYTEXT_H

#include <QString>

// Text that came from a file or a name (metadata, file names, a plug-in's texts), made
// safe to print on a terminal or into a log: nothing in it can move the cursor, clear
// the screen, set the window title, write the clipboard (OSC 52) or turn the rest of a
// line around. Every character that could is shown as a visible escape instead:
//
//   \n \r \t            for line feed, carriage return and tab
//   \xHH                for the other C0 controls and DEL (U+0000..U+001F, U+007F),
//                       and for a byte of a file name that is no UTF-8 (NativePath)
//   \uHHHH              for the C1 controls (U+0080..U+009F), the line and paragraph
//                       separators (U+2028, U+2029) and the invisible format characters
//                       (category Cf: the bidirectional marks, embeddings, overrides
//                       and isolates, U+200B..U+200D, U+2060, U+FEFF, the soft hyphen)
//   \UHHHHHHHH          for a format character past U+FFFF (the tags U+E0001...)
//   \\                  for a backslash, so that an escape is never ambiguous
//
// Any other text, Arabic and emoji included, is left as it is; a surrogate without its
// pair becomes U+FFFD. Applied once, where a whole line is printed: applied twice it
// doubles the backslashes.
namespace DisplayText {

QString escaped(const QString &text);

} // namespace DisplayText

#endif // DISPLAYTEXT_H
