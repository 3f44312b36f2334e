#include "pass_through_request.h"

#include <algorithm>

#include "ata_pass_through_block.h"
#include "sat_pass_through_block.h"

namespace kestrine {

namespace {

constexpr std::uint16_t kAtaFlagsDataOut = 4;  // ATA_FLAGS_DATA_OUT

bool ValidTimeOut(std::uint32_t seconds) {
  return seconds != 0 && seconds <= kMaxPassThroughTimeOutSeconds;
}

// Whether `length` bytes from `offset` lie inside a buffer of `size` bytes, clear of the header.
bool FitsAfterHeader(std::uint32_t offset, std::uint32_t length, std::size_t header,
                     std::size_t size) {
  return offset >= header && std::uint64_t{offset} + length <= size;
}

}  // namespace

std::optional<AtaPassThroughRequest> ReadAtaPassThroughRequest(std::span<const Byte> in,
                                                               std::size_t out_size) {
  using namespace ata_block;
  if (in.size() < kHeaderSize || out_size < kHeaderSize) return std::nullopt;
  if (ReadLe16(in, kLength) != kHeaderSize) return std::nullopt;
  AtaPassThroughRequest request;
  request.flags = ReadLe16(in, kAtaFlags);
  request.data_in = (request.flags & kFlagsDataIn) != 0;
  request.data_out = (request.flags & kAtaFlagsDataOut) != 0;
  request.length = ReadLe32(in, kDataTransferLength);
  request.data_offset = ReadLe32(in, kDataBufferOffset);
  request.timeout_seconds = ReadLe32(in, kTimeOutValue);
  if (request.data_in && request.data_out) return std::nullopt;
  if (!ValidTimeOut(request.timeout_seconds) || request.length > kMaxPassThroughTransfer) {
    return std::nullopt;
  }
  if (request.length != 0) {
    // Data-in lands in the output; data-out is taken from the input.
    if (!request.data_in && !request.data_out) return std::nullopt;
    const std::size_t room = request.data_in ? out_size : in.size();
    if (!FitsAfterHeader(request.data_offset, request.length, kHeaderSize, room)) {
      return std::nullopt;
    }
  }
  request.previous = ReadRegisters(in.subspan(kPreviousTaskFile, kIdeRegsSize), kIdeRegs);
  request.current = ReadRegisters(in.subspan(kCurrentTaskFile, kIdeRegsSize), kIdeRegs);
  return request;
}

std::optional<ScsiPassThroughRequest> ReadScsiPassThroughRequest(std::span<const Byte> in,
                                                                 std::size_t out_size) {
  using namespace sat_block;
  if (in.size() < kHeaderSize || out_size < kHeaderSize) return std::nullopt;
  if (ReadLe16(in, kLength) != kHeaderSize) return std::nullopt;
  ScsiPassThroughRequest request;
  request.cdb_length = in[kCdbLength];
  request.sense_length = in[kSenseInfoLength];
  request.direction = in[kDataIn];
  request.length = ReadLe32(in, kDataTransferLength);
  request.timeout_seconds = ReadLe32(in, kTimeOutValue);
  request.data_offset = ReadLe32(in, kDataBufferOffset);
  request.sense_offset = ReadLe32(in, kSenseInfoOffset);
  if (request.cdb_length == 0 || request.cdb_length > request.cdb.size() ||
      request.direction > kScsiIoctlDataUnspecified) {
    return std::nullopt;
  }
  if (!ValidTimeOut(request.timeout_seconds) || request.length > kMaxPassThroughTransfer) {
    return std::nullopt;
  }
  if (request.length != 0) {
    const std::size_t room = request.direction == kScsiIoctlDataOut ? in.size() : out_size;
    if (!FitsAfterHeader(request.data_offset, request.length, kHeaderSize, room)) {
      return std::nullopt;
    }
  }
  if (request.sense_length != 0 &&
      !FitsAfterHeader(request.sense_offset, request.sense_length, kHeaderSize, out_size)) {
    return std::nullopt;
  }
  std::copy_n(in.begin() + kCdb, request.cdb.size(), request.cdb.begin());
  return request;
}

}  // namespace kestrine
