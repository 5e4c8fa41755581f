// One effect instance in our host: builds PF_InData/PF_OutData for each command, calls the plug-in, keeps what
// it hands over and checks after every command that nothing leaked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ae_suites.h"
#include "host/settings.h"
#include "host/state.h"

namespace pwhost {

// Byte that fills PF_OutData before a command when asked to, so that untouched fields can be recognised.
constexpr unsigned char kOutDataPattern = 0xA5;

struct CommandOptions {
    void* extra = nullptr;
    PF_LayerDef* output = nullptr;
    bool prefillOutData = false;  // kOutDataPattern instead of zeros
};

struct CommandResult {
    PF_Cmd cmd = 0;
    PF_Err err = PF_Err_NONE;
    PF_OutData before{};  // as handed to the plug-in
    PF_OutData after{};   // as the plug-in left it
    std::vector<CallRecord> calls;        // host operations called during this command, in order
    std::vector<std::string> violations;  // breaches found during and after this command

    bool OutDataUntouched() const;
    bool ReturnMessageUntouched() const;
    // return_msg up to its terminator (or its full length if it has none).
    std::string ReturnMessage() const;
    std::size_t Count(const std::string& op) const { return CountOp(calls, op); }
    std::size_t CountCall(const std::string& text) const { return CountText(calls, text); }
};

class Host {
public:
    explicit Host(PF_EntryPointFunc entry);
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    CommandResult Call(PF_Cmd cmd, const CommandOptions& options = {});

    HostSettings& Settings() { return settings_; }
    FaultPlan& Faults() { return state_.faults; }
    const CallLog& Log() const { return state_.log; }
    HandleTable& Handles() { return state_.handles; }
    SuiteBroker& Broker() { return state_.broker; }
    const ParamRegistry& Params() const { return state_.params; }
    const std::vector<Registration>& Registrations() const { return state_.registrations; }

    // What the host holds for the plug-in between commands.
    PF_Handle GlobalData() const { return global_; }
    PF_Handle SequenceData() const { return sequence_; }
    // A record the host hands in as if restored from a saved project; it then belongs to the host.
    PF_Handle RestoreSequenceData(const void* bytes, std::size_t size);

    // Every breach so far, each naming its command.
    const std::vector<std::string>& Violations() const { return state_.violations; }
    // Live handles other than the ones held for the plug-in.
    std::vector<PF_Handle> UnaccountedHandles() const;

private:
    void Adopt(PF_Cmd cmd, PF_Err err, const PF_OutData& before, const PF_OutData& after, PF_Handle in_global,
               PF_Handle in_sequence);
    void CheckAfterCommand();
    std::vector<PF_ParamDef*> ParamPointers();

    PF_EntryPointFunc entry_;
    HostSettings settings_;
    HostState state_;
    SPBasicSuite basic_{};
    PF_UtilCallbacks utils_{};
    PF_Handle global_ = nullptr;
    PF_Handle sequence_ = nullptr;
    std::vector<int> reported_;  // serials of handles already reported as leaked
    std::vector<void*> reportedBlocks_;
};

}  // namespace pwhost
