#include "Cleanup.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

#include "FileErrors.h"
#include "FilePaths.h"
#include "Shell.h"

namespace {
// Single quotes keep every character literal; a quote inside becomes '\''.
std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}
} // namespace

std::string CleanupBatchText(const std::vector<std::string>& files) {
    if (files.empty()) return {};
    std::string text = ":pp\r\n";
    for (const auto& file : files)
        text += "@del \"" + file + "\"\r\n";
    text += "if exist \"" + files.back() + "\" goto pp\r\n";
    text += "@del %0\r\n";
    return text;
}

std::string CleanupShellText(const std::vector<std::string>& files, int rounds) {
    if (files.empty()) return {};
    std::string text =
        "#!/bin/sh\n# Deletes the temporary files Glimmerdrome could not delete, then itself.\n";
    text += "n=0\n";
    text += "while :; do\n";
    for (const auto& file : files)
        text += "    rm -f -- " + ShellQuote(file) + "\n";
    text += "    [ -e " + ShellQuote(files.back()) + " ] || break\n";
    text += "    n=$((n + 1))\n";
    text += "    [ \"$n\" -ge " + std::to_string(rounds) + " ] && break\n";
    text += "    sleep 1\n";
    text += "done\n";
    text += "rm -f -- \"$0\"\n";
    return text;
}

std::string CleanupScriptName() {
#ifdef _WIN32
    return "cleanup.bat";
#else
    return "cleanup.sh";
#endif
}

std::string WriteCleanupScript(const std::vector<std::string>& files,
                               const std::string& temp_folder) {
    if (files.empty()) return {};
    const std::string path = temp_folder + CleanupScriptName();
#ifdef _WIN32
    const std::string text = CleanupBatchText(files);
#else
    const std::string text = CleanupShellText(files);
#endif
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw EFCreateError(FileCreateErrorMessage(path, errno));
    out << text;
    out.close();
    if (!out) throw EFCreateError(FileCreateErrorMessage(path, errno));
#ifndef _WIN32
    chmod(path.c_str(), 0700);
#endif
    return path;
}

void StartCleanup(const std::vector<std::string>& files) {
    if (files.empty()) return;
    try {
        const std::string folder = TempFolder();
        if (folder.empty()) throw EFCreateError("No temporary folder for the clean-up script");
        const std::string path = WriteCleanupScript(files, folder);
        if (!StartDetachedScript(path)) std::cerr << "Glimmerdrome: cannot start " << path << "\n";
    } catch (const std::exception& error) {
        std::cerr << "Glimmerdrome: " << error.what() << "\n";
    }
}
