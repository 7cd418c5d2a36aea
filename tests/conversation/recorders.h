#pragma once

#include "messagerecorder.h"
#include "sinks.h"

#include <QString>
#include <QStringList>

// Test doubles that remember what the session asked of the window.
struct RecordingSink : session::ConversationSink {
    QStringList dialog;
    QStringList status;
    int clears = 0;
    void UpdateDialog(const QString &vsDialog) override { dialog << vsDialog; }
    void UpdateStatus(const QString &vsStatus) override { status << vsStatus; }
    void clearDialog() override { ++clears; }
};

using RecordingMessages = MessageRecorder;
