// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef DELETIONWATCH_H
#define DELETIONWATCH_H

// Watches addresses for the global operator delete, to see objects that cannot report
// their own end (layout policies, layouts) being deleted, how often and in which
// order. Linking deletionwatch.cpp replaces the global operator new and delete of the
// whole test program, the toolkit library's calls included (they bind to the
// program's definitions).
//
// A watched address handed out again by operator new stops counting, so a count of 2
// is a true double delete, not a reuse of freed memory. One watch at a time; the GUI
// thread only.
class DeletionWatch
{
public:
    static constexpr int Capacity = 32;

    DeletionWatch();
    ~DeletionWatch();

    // Starts counting deletions of `address` (a pointer as returned by new).
    void watch(const void *address);
    // How often `address` has been deleted since watch().
    int deletions(const void *address) const;
    // Position of the first deletion of `address` among all watched deletions,
    // counting from 1; 0 when not deleted.
    int order(const void *address) const;

private:
    DeletionWatch(const DeletionWatch &) = delete;
    DeletionWatch &operator=(const DeletionWatch &) = delete;
};

#endif // DELETIONWATCH_H
