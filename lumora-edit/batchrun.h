// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef BATCHRUN_H
#define BATCHRUN_H

#include "progressbar.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QCommandLineOption;
class QCommandLineParser;

// The same edits applied to many pictures, written into one folder:
//
//   lumora-edit [options] --output-dir DIR INPUT... -- EDIT...
//
// Each picture is one single-picture run of this program in a process of its own
// (`lumora-edit [options] --report-fd 3 -o DIR/NAME INPUT EDIT...`), as many at a time
// as there are cores: the plug-ins stay on each process's GUI thread, a picture's
// memory goes with its process, and a picture that crashes its run takes no other
// down. A run sends its errors, warnings and trace lines as records on descriptor 3
// (WorkerReport), never mixed with what libraries write on its standard error; every
// name and message shown is escaped (DisplayText).
//
// Output names: the input's base name and suffix in DIR (a suffix no writer takes,
// GIF, becomes png, as in a single run), or in the input's subfolder of DIR when it was
// found in a folder's tree (`-r`, FolderTree); that subfolder is made when the
// picture's turn comes. Before any picture starts, outputs are
// compared by file (device and inode, through links) where they exist and otherwise by
// the path the write would create (links followed to their last target, a dangling one
// included, as SafeFile follows them): of several inputs with one output the first
// listed is edited and every later one fails with its line; an input whose output is
// another input of the batch fails, naming both, since that input might not be read
// yet; so does one whose output is its own input when that file is listed again under
// another name, even with `inPlace`. An existing output
// fails its picture unless `overwrite` is set; one that is its own input also needs
// `inPlace`.
//
// `jobs` past what the machine runs at once (8 per core, or two descriptors a run
// within the open-file limit) is capped, said in one line; a run the system cannot
// start yet (no process or descriptor free) waits for another to end. A run killed
// outright (SIGKILL, SIGSEGV) fails its picture, and its temporary files are removed
// (SafeFile::removeTemporaries).
//
// SIGINT, SIGTERM and SIGHUP stop the run: no picture is started after it, the
// signal is passed on to the runs under way (whose temporary files their own
// handlers remove), finished outputs stay, and the summary says how far it got.
class BatchRun
{
public:
    struct Settings
    {
        QString outputDir;
        QStringList inputs; // as NativePath gives them
        // Per input, the folder under outputDir its output goes to, relative; a missing or
        // empty one: outputDir itself.
        QStringList subfolders;
        QStringList edits; // passed on as given
        QStringList passedOn; // options for every single-picture run, before -o
        bool overwrite = false;
        bool inPlace = false;
        int jobs = 0; // pictures at a time; 0: QThread::idealThreadCount(); capped as above
        // Quiet: failures alone (no bar, no warning, no summary); verbose: every picture done.
        ProgressBar::Verbosity verbosity = ProgressBar::Verbosity::Normal;
    };

    explicit BatchRun(const Settings &settings);
    ~BatchRun();
    BatchRun(const BatchRun &) = delete;
    BatchRun &operator=(const BatchRun &) = delete;

    // Whether the settings can run at all: DIR is a folder, there are inputs, and
    // edits that EditRequest takes. On refusal *error says why (a usage error).
    bool check(QString *error) const;

    // Edits every picture and reports on standard error (ProgressBar), a failure as
    // "lumora-edit: INPUT: REASON" and a warning as "lumora-edit: INPUT: warning: TEXT".
    // Returns the
    // exit status: 0 all edited, 1 any failed, 128 + the signal when stopped (130
    // for Ctrl-C).
    int run();

    // The edits of a batch command line: when `--output-dir` comes before a "--",
    // takes everything after that "--" out of *arguments into *edits and returns
    // true; otherwise leaves *arguments as they are ("--" then ends the options of a
    // single-picture run, as before).
    static bool takeEdits(QStringList *arguments, QStringList *edits);

    // The options among `options` that are set, as arguments a single-picture run
    // takes.
    static QStringList passOn(const QCommandLineParser &parser,
                              const QList<QCommandLineOption> &options);

    // Where `input` is written in `dir`.
    static QString outputFor(const QString &input, const QString &dir);

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // BATCHRUN_H
