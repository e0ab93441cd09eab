#include "cFilePacker.h"

TFilePacker::TFilePacker(IArchiveObserver* reports) : component(std::make_unique<TResource>()) {
    component->manager->observer = reports;
}

TFilePacker::~TFilePacker() = default;

void TFilePacker::Open(const std::string& archive_path) {
    component->manager->OpenArchive(archive_path, false);
}

void TFilePacker::Create(const std::string& archive_path) {
    component->manager->CreateArchive(archive_path, 0600);
}

int TFilePacker::AddFiles(const std::vector<std::string>& files) {
    return component->manager->AddFiles(files, "");
}
