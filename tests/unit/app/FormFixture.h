#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/FormHost.h"
#include "app/MessageForm.h"
#include "app/PloverMainForm.h"
#include "checks/FirewallOperations.h"
#include "system/SettingsSnapshot.h"
#include "tests/standin/FakeWindowThread.h"
#include "tests/standin/FakeWindows.h"

namespace plover::testing {

// A branding block made of records in the given order.
using Records = std::vector<std::pair<std::string, std::string>>;

inline std::string Block(const Records& records) {
    std::string block;
    for (size_t i = 0; i < records.size(); ++i) {
        if (i > 0) block += ' ';
        block += "start " + records[i].first + records[i].second;
    }
    return block;
}

inline Records SampleRecords() {
    return {{"winsock2", "REGEDIT xp winsock2\nline two\n"},
            {"winsock", "REGEDIT xp winsock\n"},
            {"vistawinsock2", "REGEDIT vista winsock2\n"},
            {"vistawinsock", "REGEDIT vista winsock\n"},
            {"provided_name", "Harbour Net"},
            {"provided_block", "10.53.0.1,10.53.0.2"},
            {"contact_support", "Call Harbour Net\r\nat 555-0100,\nany time."},
            {"emw", "http://help.example/email"},
            {"spp", "http://help.example/slow"},
            {"ems", "http://help.example/errors"},
            {"pfs", "http://help.example/popups"},
            {"scbi", "http://help.example/browse"},
            {"mssgA", "Check the cable.\r\nRestart the modem."},
            {"mssgContactUS", "Please call us."},
            {"isprm", "Your router does not answer.\r\n"}};
}

inline Records Without(Records records, const std::string& key) {
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (it->first == key) {
            records.erase(it);
            break;
        }
    }
    return records;
}

inline Records With(Records records, const std::string& key, const std::string& value) {
    for (auto& record : records) {
        if (record.first == key) record.second = value;
    }
    return records;
}

// A program file: some image bytes with NULs, then the block.
inline std::string ProgramImage(const std::string& block) {
    std::string image("MZ\x90\0\x03\0\0\0PE\0\0L\x01", 14);
    image += std::string(64, '\0') + "code and data" + std::string(32, '\0');
    return image + block;
}

// The window's thread in a test: the test thread runs window operations that
// the diagnostic thread hands over, and records what the window asked of the
// toolkit.
class FakeFormHost : public FormHost, public standin::FakeWindowThread {
public:
    void Attach(TPloverMainForm& form) { form_ = &form; }

    void ControlsChanged() override { ++changes; }
    void HandlePendingMessages() override {
        ++pendingHandled;
        if (onMessages) onMessages();
        RunQueued();
    }
    void RequestApplicationEnd() override { ++endRequests; }
    bool AskYesNoWarning(const std::string& text) override {
        questions.push_back(text);
        return answerYes;
    }
    void ShowContactDialogModal() override { ++contactDialogShown; }
    void HideMainWindow() override { hidden = true; }
    void ShowMainWindow() override { hidden = false; }
    // The test lets the restart's minute run out itself, with RestartWaitEnded.
    void StartRestartTimer(uint32_t milliseconds) override { restartTimers.push_back(milliseconds); }
    void CloseMainWindow() override {
        bool canClose = false;
        form_->FormCloseQuery(canClose);
        if (canClose) {
            closed = true;
            form_->FormClose();
        }
    }
    void PostRunEnded() override {
        Post([this] { form_->RunEnded(); });
    }
    void PostRepairStep(bool underWay) override {
        Post([this, underWay] { form_->RepairStepChanged(underWay); });
    }
    bool BlockSessionEnd(const std::string& reason) override {
        if (!sessionEndBlockAvailable) return false;
        sessionEndBlocks.push_back(reason);
        sessionEndBlocked = true;
        return true;
    }
    void UnblockSessionEnd() override { sessionEndBlocked = false; }
    // The test lets the close's time run out itself, with CloseWaitEnded.
    void StartCloseTimer(uint32_t milliseconds) override { closeTimers.push_back(milliseconds); }
    void HandleMessagesUntil(const std::function<bool()>& done) override {
        ++messageWaits;
        if (onMessageWait) onMessageWait();
        RunUntil(done);
    }

    // What the user does whenever the window handles its messages (clicks
    // that arrive while a handler pumps).
    std::function<void()> onMessages;
    // What happens while the window waits for the run (the bound running out).
    std::function<void()> onMessageWait;
    std::vector<uint32_t> closeTimers;
    // The session's end block: false for a system without it (XP).
    bool sessionEndBlockAvailable = true;
    bool sessionEndBlocked = false;
    std::vector<std::string> sessionEndBlocks;
    std::vector<uint32_t> restartTimers;
    int messageWaits = 0;
    bool answerYes = false;
    int changes = 0;
    int pendingHandled = 0;
    int endRequests = 0;
    int contactDialogShown = 0;
    bool hidden = false;
    bool closed = false;
    std::vector<std::string> questions;

private:
    TPloverMainForm* form_ = nullptr;
};

// A machine with a branded program file, and the window built on it.
struct FormFixture {
    explicit FormFixture(const std::string& block = Block(SampleRecords())) {
        machine.files.SetContent(machine.system.executablePath, ProgramImage(block));
    }
    ~FormFixture() {
        if (form && form->RunActive()) host.RunUntil([&] { return !form->RunActive(); });
        host.Close();
    }

    TPloverMainForm& Build() {
        form = std::make_unique<TPloverMainForm>(
            MainFormParts{machine.Os(), host, host, firewall, snapshot, regTexts, messageForm});
        host.Attach(*form);
        return *form;
    }

    // Runs until the diagnostic thread has ended and the window released it.
    bool FinishRun() {
        return host.RunUntil([&] { return !form->RunActive(); });
    }

    standin::FakeWindows machine;
    FakeFormHost host;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    MachineChanges changes{machine.Os(), snapshot, regTexts};
    TFirewallOperations firewall{machine.Os(), changes};
    TMessageForm messageForm;
    std::unique_ptr<TPloverMainForm> form;
};

}  // namespace plover::testing
