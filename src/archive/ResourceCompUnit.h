#pragma once
// The archive component: owns one archive manager and publishes its two events. Handlers
// receive the manager as sender.

#include "ArchiveManagerUnit.h"

#include <memory>

class TResource {
public:
    TResource() : manager(std::make_unique<TArchiveManager>()) {}

    // The manager's own event slots, read and written directly.
    TStrEvent& OnAddLog() { return manager->OnAddLog; }
    TArchiveNotifyEvent& OnCentralDirChange() { return manager->OnCentralDirChange; }

    std::unique_ptr<TArchiveManager> manager;
};
