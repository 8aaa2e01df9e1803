#include "platform/FileReplacement.h"

#include "base/TextUtil.h"
#include "platform/FileReplacementState.h"
#include "platform/IoError.h"

namespace nordavel {

FileReplacement::FileReplacement(const std::string& target) : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.target = target;
    detail::CheckNameLength(target, "Cannot create");
    state.kind = State::Examine(target);
    const int besideError = state.CreateTemporary(std::string(ExtractFilePath(target)));
    if (besideError == 0) {
        state.beside = true;
        return;
    }
    // A file that may be written, in a folder that takes no new file: it is written in place.
    const std::string temporaryFolder = State::SystemTemporaryFolder();
    if (state.kind != ReplacedKind::File || temporaryFolder.empty() ||
        state.CreateTemporary(temporaryFolder) != 0)
        throw IoError(besideError, "Cannot create", target);
}

FileReplacement::~FileReplacement() {
    Discard();
}

void FileReplacement::Write(const char* data, std::size_t size) {
    state_->Write(data, size);
}

CommitResult FileReplacement::Commit() {
    State& state = *state_;
    try {
        if (state.beside) {
            if (state.RenameOverTarget()) {
                if (const int error = state.SyncFolder(); error != 0)
                    return {true, IoError(error, "Cannot sync the folder of", state.target)};
                return {true, std::nullopt};
            }
            // A link is replaced as a whole or not at all, never written through.
            if (state.kind == ReplacedKind::Link) {
                state.Drop();
                return {false, IoError(state.refusal, "Cannot replace", state.target)};
            }
        }
        state.CopyIntoTarget();
        state.Drop();
        return {true, std::nullopt};
    } catch (const IoError& error) {
        state.Drop();
        return {false, error};
    } catch (...) {
        state.Drop();
        throw;
    }
}

void FileReplacement::Discard() noexcept {
    state_->Drop();
}

} // namespace nordavel
