// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef STANDARDSTREAMS_H
#define STANDARDSTREAMS_H

#include <QByteArray>
#include <QString>

#include <memory>

// Standard input and standard output as picture files: `-` as the input, `-o -` as the
// output. PictureFile reads and writes named files only (it refuses a pipe, and writes a
// temporary file that it renames), so the picture passes through a private temporary
// folder, removed with this object.
//
// Once the output is reserved, the picture's bytes are all that reach standard output:
// descriptor 1 then leads to standard error, for whatever a library prints, and the real
// one is kept for send().
class StandardStreams
{
public:
    StandardStreams();
    ~StandardStreams();
    StandardStreams(const StandardStreams &) = delete;
    StandardStreams &operator=(const StandardStreams &) = delete;

    // The name a command line gives either stream.
    static bool isStream(const QString &name) { return name == QLatin1String("-"); }

    // Reads standard input to its end into a file of the private folder and returns its
    // path; empty with *error set when it cannot be read or stored.
    QString takeInput(QString *error);

    // Points descriptor 1 at standard error and keeps the real standard output. False with
    // *error set when the descriptors cannot be changed.
    bool reserveOutput(QString *error);
    // A path in the private folder to write the output to, with the suffix of `format`
    // (PictureFile's names: "jpeg", "png", ...); empty with *error when there is no folder.
    QString outputPath(const QByteArray &format, QString *error);
    // Copies the file at `path` to the reserved standard output. False with *error set
    // when it cannot be read or the output takes no more.
    bool send(const QString &path, QString *error) const;

    // `message` with the private files named as the streams they stand for.
    QString shown(const QString &message) const;

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // STANDARDSTREAMS_H
