#pragma once

// For widget tests that replace some of the windows' hooks: the hooks as the test main installed
// them (the program's own), put back when the test ends.

#include "engine/generation.h"
#include "output/pages/qrprinter.h"
#include "output/preview/qrprintdialog.h"

#include <type_traits>

// The windows' hooks as the test main installed them, put back when a test that replaced some of
// them ends.
struct KeptGuiHooks {
    std::remove_reference_t<decltype(QRPrintDeviceFactory())> device = QRPrintDeviceFactory();
    std::remove_reference_t<decltype(QRPreviewWindowHook())> preview = QRPreviewWindowHook();
    std::remove_reference_t<decltype(QRProgressWindowHook())> progress = QRProgressWindowHook();
    std::remove_reference_t<decltype(QRPrintDialogHook())> printDialog = QRPrintDialogHook();
    std::remove_reference_t<decltype(QRProcessMessagesHook())> messages = QRProcessMessagesHook();
    std::remove_reference_t<decltype(QRPrintDialogExec())> dialogExec = QRPrintDialogExec();
    ~KeptGuiHooks()
    {
        QRPrintDeviceFactory() = device;
        QRPreviewWindowHook() = preview;
        QRProgressWindowHook() = progress;
        QRPrintDialogHook() = printDialog;
        QRProcessMessagesHook() = messages;
        QRPrintDialogExec() = dialogExec;
    }
};
