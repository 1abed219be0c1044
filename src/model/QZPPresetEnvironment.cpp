// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/QZPPresetEnvironment.h"

#include "model/QZPDocumentControllerBase.h"
#include "model/QZPError.h"
#include "model/QZPErrorPresenter.h"
#include "model/QZPFileSystem.h"
#include "model/QZPSettings.h"

#include <QObject>

namespace {
QZPPresetEnvironment* installed = nullptr;
}

QZPPresetEnvironment::~QZPPresetEnvironment() {
    if (installed == this)
        installed = nullptr;
}

QZPSettings* QZPPresetEnvironment::settings() const {
    return QZPSettings::standard();
}

QZPDocumentControllerBase* QZPPresetEnvironment::documentController() const {
    return QZPDocumentControllerBase::sharedDocumentController();
}

void QZPPresetEnvironment::presentError(const QZPError& error) {
    QZPErrorPresenter::shared()->presentError(error);
}

void QZPPresetEnvironment::moveFile(const QString& from, const QString& to, QObject* context,
                                    std::function<void()> moved) {
    QZPError error;
    if (!QZPFileSystem::standard()->moveItem(from, to, &error)) {
        presentError(error);
        return;
    }
    QMetaObject::invokeMethod(context, std::move(moved), Qt::QueuedConnection);
}

QZPPresetEnvironment* QZPPresetEnvironment::defaultEnvironment() {
    static QZPPresetEnvironment base;
    return installed ? installed : &base;
}

void QZPPresetEnvironment::setDefaultEnvironment(QZPPresetEnvironment* environment) {
    installed = environment;
}
