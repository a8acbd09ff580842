#include "adaptations/ventra/link/machine_link.h"

#include "adaptations/ventra/link/unit_registers.h"
#include "npjbus/npjbus.h"

namespace np::ventra {

bool MachineLink::open(const std::string& port, int baud) {
    handle_ = JbusOpenCom(port.c_str(), baud);
    return handle_ != -1;
}

void MachineLink::close() {
    if (handle_ != -1) JbusCloseCom(&handle_);
    handle_ = -1;
}

int MachineLink::read(std::uint16_t address, int count, std::uint16_t* words) const {
    return JbusReadSeveralWords(handle_, kSlave, address, count, words);
}

int MachineLink::write(std::uint16_t address, int count, const std::uint16_t* words) const {
    if (count == 1) return JbusWriteOneWord(handle_, kSlave, address, words[0]);
    return JbusWriteSeveralWords(handle_, kSlave, address, count, words);
}

int MachineLink::command(std::uint16_t word) const {
    const int result = JbusWriteOneWord(handle_, kSlave, address::command, word);
    if (is_reset_command(word) && after_reset_) after_reset_();
    return result;
}

int MachineLink::show_text(std::string_view text) const {
    const DisplayWords words = display_text(text, true);
    return write(address::state_text, words::display_text, words.data());
}

int MachineLink::show_startup_text(std::string_view text) const {
    const DisplayWords words = display_text(text, false);
    return write(address::startup_text, words::display_text, words.data());
}

int MachineLink::show_code(int code, CodeKind kind) const {
    const auto field = code_field(code, kind);
    return write(address::code_text, words::code_text, field.data());
}

}  // namespace np::ventra
