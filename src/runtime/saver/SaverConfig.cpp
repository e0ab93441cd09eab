#include "SaverConfig.h"

#include "fTestConfig.h"

#include <QPixmap>

void RunSaverConfig(const TSaverPackage& package, const TSaverSettings& settings,
                    const std::string& user_file) {
    TTestConfigInput input;
    if (!package.icon.empty())
        input.icon.loadFromData(package.icon.data(), static_cast<uint>(package.icon.size()));
    input.projectName = QString::fromStdString(package.projectName);
    input.version = QString::fromStdString(package.version);
    input.author = QString::fromStdString(package.author);
    input.email = QString::fromStdString(package.email);
    input.homepage = QString::fromStdString(package.homepage);
    input.enableUserModify = package.enableUserModify;
    input.backgroundColor = settings.backgroundColor;
    input.displayStyle = settings.displayStyle;
    input.runType = settings.runType;
    input.switchType = settings.switchType;
    input.interval = settings.interval;
    input.mute = settings.mute;

    TfrmTestConfig window;
    window.Load(input);
    if (window.exec() != QDialog::Accepted || !package.enableUserModify) return;
    window.ReadChoices(input);
    TSaverSettings chosen;
    chosen.backgroundColor = input.backgroundColor;
    chosen.displayStyle = input.displayStyle;
    chosen.runType = input.runType;
    chosen.switchType = input.switchType;
    chosen.interval = input.interval;
    chosen.mute = input.mute;
    StoreUserSettings(chosen, user_file);
}
