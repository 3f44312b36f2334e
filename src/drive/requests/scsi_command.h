// One SCSI command as the SCSI pass-through carries it: the CDB, the direction and length of its
// data phase, and the bytes it sends. The SCSI family sends the commands of its list this way,
// the USB bridges their vendor commands (scsi_pass_through_block.h builds the block for both).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "bytes.h"
#include "scsi_cdb.h"

namespace kestrine {

enum class ScsiDataDirection : std::uint8_t { None, In, Out };
struct ScsiCommand {
  std::array<Byte, 16> cdb{};
  Byte cdb_length = 0;
  ScsiDataDirection direction = ScsiDataDirection::None;
  std::uint32_t length = 0;  // bytes moved in or out
  std::vector<Byte> out;     // the bytes sent, for ScsiDataDirection::Out
  bool operator==(const ScsiCommand&) const = default;
};

// `cdb` with `data_in` bytes to receive (0: a command that moves no data).
inline ScsiCommand DataInCommand(const ScsiCdb& cdb, std::uint32_t data_in) {
  ScsiCommand command;
  std::copy(cdb.bytes.begin(), cdb.bytes.end(), command.cdb.begin());
  command.cdb_length = cdb.length;
  command.direction = data_in != 0 ? ScsiDataDirection::In : ScsiDataDirection::None;
  command.length = data_in;
  return command;
}

}  // namespace kestrine
