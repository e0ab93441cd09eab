#include "cFilePacker.h"

#include "EventPump.h"
#include "Messages.h"

TFilePacker::TFilePacker(IArchiveObserver* reports) : component(std::make_unique<TResource>()) {
    component->manager->observer = reports ? reports : this;
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

void TFilePacker::EntrySkipped(const TArchiveDiagnostic& diagnostic) {
    ShowMessage(diagnostic.text, diagnostic.caption, TMsgIcon::Error, TMsgButtons::Ok);
}

// The build runs on the window's thread: between blocks the window gets to repaint.
void TFilePacker::BlockDone(const std::string&, int64_t, int64_t) {
    ProcessPendingMessages();
}

bool TFilePacker::ConfirmCreate(const std::string& path) {
    return ShowMessage("The archive file " + path +
                           " does not exist. Do you want to create a new file?",
                       "Create new archive?", TMsgIcon::Question,
                       TMsgButtons::YesNoCancel) == TMsgAnswer::Yes;
}
