// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "deletionwatch.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {
// Plain arrays and a constant-initialised mutex: the operators below run before any
// constructor and must not allocate themselves.
struct Entry
{
    const void *address;
    int deletions;
    int order;
    bool counting; // false once the address has been handed out again
};

std::atomic<bool> active(false);
std::mutex lock;
Entry entries[DeletionWatch::Capacity];
int entryCount = 0;
int deletionCount = 0;

Entry *find(const void *address)
{
    for (int i = 0; i < entryCount; ++i) {
        if (entries[i].address == address)
            return &entries[i];
    }
    return nullptr;
}

void noteAllocated(const void *address)
{
    if (!active.load(std::memory_order_relaxed))
        return;
    std::lock_guard<std::mutex> guard(lock);
    if (Entry *entry = find(address))
        entry->counting = false;
}

void noteFreed(const void *address)
{
    if (!address || !active.load(std::memory_order_relaxed))
        return;
    std::lock_guard<std::mutex> guard(lock);
    Entry *entry = find(address);
    if (!entry || !entry->counting)
        return;
    if (entry->deletions++ == 0)
        entry->order = ++deletionCount;
}

void *allocate(std::size_t size)
{
    void *address = std::malloc(size ? size : 1);
    if (!address)
        throw std::bad_alloc();
    noteAllocated(address);
    return address;
}

void release(void *address) noexcept
{
    noteFreed(address);
    std::free(address);
}
} // namespace

DeletionWatch::DeletionWatch()
{
    std::lock_guard<std::mutex> guard(lock);
    entryCount = 0;
    deletionCount = 0;
    active = true;
}

DeletionWatch::~DeletionWatch()
{
    active = false;
}

void DeletionWatch::watch(const void *address)
{
    std::lock_guard<std::mutex> guard(lock);
    if (Entry *entry = find(address)) {
        *entry = { address, 0, 0, true };
        return;
    }
    if (entryCount == Capacity)
        std::abort(); // a test watching more than it should
    entries[entryCount++] = { address, 0, 0, true };
}

int DeletionWatch::deletions(const void *address) const
{
    std::lock_guard<std::mutex> guard(lock);
    const Entry *entry = find(address);
    return entry ? entry->deletions : 0;
}

int DeletionWatch::order(const void *address) const
{
    std::lock_guard<std::mutex> guard(lock);
    const Entry *entry = find(address);
    return entry ? entry->order : 0;
}

// Every form is replaced, not only the two the others fall back on, because a
// sanitizer runtime replaces them all in its turn.
void *operator new(std::size_t size)
{
    return allocate(size);
}

void *operator new[](std::size_t size)
{
    return allocate(size);
}

void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void *address) noexcept
{
    release(address);
}

void operator delete[](void *address) noexcept
{
    release(address);
}

void operator delete(void *address, std::size_t) noexcept
{
    release(address);
}

void operator delete[](void *address, std::size_t) noexcept
{
    release(address);
}

void operator delete(void *address, const std::nothrow_t &) noexcept
{
    release(address);
}

void operator delete[](void *address, const std::nothrow_t &) noexcept
{
    release(address);
}
