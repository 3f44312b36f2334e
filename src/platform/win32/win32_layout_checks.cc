// Our request blocks pinned against the platform's own declarations: a size, offset or request
// code that disagrees with the Windows headers does not build.
// windows.h first: the other two use its types.
#include <windows.h>

#include <winioctl.h>

#include <ntddscsi.h>

#include <cstddef>

#include "ata_pass_through_block.h"
#include "ata_registers.h"
#include "device_port.h"
#include "legacy_request.h"
#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"
#include "sat_pass_through_block.h"
#include "storage_bus.h"

namespace kestrine {

static_assert(sizeof(void*) == 4, "the request blocks are laid out for a 32-bit process");

// Request codes.
static_assert(kIoctlAtaPassThrough == IOCTL_ATA_PASS_THROUGH);
static_assert(kIoctlScsiPassThrough == IOCTL_SCSI_PASS_THROUGH);
static_assert(kSmartGetVersion == SMART_GET_VERSION);
static_assert(kSmartSendDriveCommand == SMART_SEND_DRIVE_COMMAND);
static_assert(kSmartRcvDriveData == SMART_RCV_DRIVE_DATA);
static_assert(kIoctlStorageQueryProperty == IOCTL_STORAGE_QUERY_PROPERTY);
static_assert(kIoctlStorageProtocolCommand == IOCTL_STORAGE_PROTOCOL_COMMAND);

// ATA_PASS_THROUGH_EX.
static_assert(sizeof(ATA_PASS_THROUGH_EX) == ata_block::kHeaderSize);
static_assert(offsetof(ATA_PASS_THROUGH_EX, Length) == ata_block::kLength);
static_assert(offsetof(ATA_PASS_THROUGH_EX, AtaFlags) == ata_block::kAtaFlags);
static_assert(offsetof(ATA_PASS_THROUGH_EX, PathId) == ata_block::kPathId);
static_assert(offsetof(ATA_PASS_THROUGH_EX, TargetId) == ata_block::kTargetId);
static_assert(offsetof(ATA_PASS_THROUGH_EX, Lun) == ata_block::kLun);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataTransferLength) == ata_block::kDataTransferLength);
static_assert(offsetof(ATA_PASS_THROUGH_EX, TimeOutValue) == ata_block::kTimeOutValue);
static_assert(offsetof(ATA_PASS_THROUGH_EX, DataBufferOffset) == ata_block::kDataBufferOffset);
static_assert(offsetof(ATA_PASS_THROUGH_EX, PreviousTaskFile) == ata_block::kPreviousTaskFile);
static_assert(offsetof(ATA_PASS_THROUGH_EX, CurrentTaskFile) == ata_block::kCurrentTaskFile);
static_assert(ATA_FLAGS_DATA_IN == ata_block::kFlagsDataIn);
static_assert(ATA_FLAGS_48BIT_COMMAND == ata_block::kFlags48Bit);

// SCSI_PASS_THROUGH.
static_assert(sizeof(SCSI_PASS_THROUGH) == sat_block::kHeaderSize);
static_assert(offsetof(SCSI_PASS_THROUGH, ScsiStatus) == sat_block::kScsiStatus);
static_assert(offsetof(SCSI_PASS_THROUGH, CdbLength) == sat_block::kCdbLength);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoLength) == sat_block::kSenseInfoLength);
static_assert(offsetof(SCSI_PASS_THROUGH, DataIn) == sat_block::kDataIn);
static_assert(offsetof(SCSI_PASS_THROUGH, DataTransferLength) == sat_block::kDataTransferLength);
static_assert(offsetof(SCSI_PASS_THROUGH, TimeOutValue) == sat_block::kTimeOutValue);
static_assert(offsetof(SCSI_PASS_THROUGH, DataBufferOffset) == sat_block::kDataBufferOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, SenseInfoOffset) == sat_block::kSenseInfoOffset);
static_assert(offsetof(SCSI_PASS_THROUGH, Cdb) == sat_block::kCdb);
static_assert(SCSI_IOCTL_DATA_IN == sat_block::kScsiIoctlDataIn);
// The JMicron bridge's command block goes out in the block's data area.
static_assert(SCSI_IOCTL_DATA_OUT == sat_block::kScsiIoctlDataOut);
static_assert(SCSI_IOCTL_DATA_UNSPECIFIED == sat_block::kScsiIoctlDataUnspecified);

// The legacy S.M.A.R.T. structures.
static_assert(sizeof(SENDCMDINPARAMS) == 33);
static_assert(sizeof(SENDCMDINPARAMS) - 1 == legacy::kInBuffer);
static_assert(offsetof(SENDCMDINPARAMS, cBufferSize) == legacy::kCBufferSize);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) == legacy::kIrDriveRegs);
static_assert(sizeof(IDEREGS) == kIdeRegsSize);
static_assert(offsetof(IDEREGS, bFeaturesReg) == kIdeRegs.features);
static_assert(offsetof(IDEREGS, bSectorCountReg) == kIdeRegs.count);
static_assert(offsetof(IDEREGS, bSectorNumberReg) == kIdeRegs.lba_low);
static_assert(offsetof(IDEREGS, bCylLowReg) == kIdeRegs.lba_mid);
static_assert(offsetof(IDEREGS, bCylHighReg) == kIdeRegs.lba_high);
static_assert(offsetof(IDEREGS, bDriveHeadReg) == kIdeRegs.device);
static_assert(offsetof(IDEREGS, bCommandReg) == kIdeRegs.command);
static_assert(offsetof(SENDCMDINPARAMS, bDriveNumber) == legacy::kDriveNumber);
static_assert(offsetof(SENDCMDINPARAMS, bBuffer) == legacy::kInBuffer);
static_assert(offsetof(SENDCMDOUTPARAMS, DriverStatus) + offsetof(DRIVERSTATUS, bDriverError) ==
              legacy::kDriverError);
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == legacy::kOutBuffer);
static_assert(sizeof(GETVERSIONINPARAMS) == legacy::kVersionSize);
static_assert(offsetof(GETVERSIONINPARAMS, bIDEDeviceMap) == legacy::kIdeDeviceMap);
static_assert(offsetof(GETVERSIONINPARAMS, fCapabilities) == legacy::kCapabilities);

// STORAGE_PROPERTY_QUERY and STORAGE_DEVICE_DESCRIPTOR.
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) == 10);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == 12);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset) == 16);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset) == 20);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == 24);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength) == 32);
static_assert(BusTypeValue(BusType::Sata) == BusTypeSata &&
              BusTypeValue(BusType::Usb) == BusTypeUsb &&
              BusTypeValue(BusType::Ata) == BusTypeAta && BusTypeValue(BusType::Sas) == BusTypeSas);
static_assert(BusTypeValue(BusType::Nvme) == BusTypeNvme);

// The NVMe protocol-specific query: STORAGE_PROPERTY_QUERY with a STORAGE_PROTOCOL_SPECIFIC_DATA
// in its AdditionalParameters, answered with a STORAGE_PROTOCOL_DATA_DESCRIPTOR.
static_assert(offsetof(STORAGE_PROPERTY_QUERY, PropertyId) == nvme_query::kPropertyId);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, QueryType) == nvme_query::kQueryType);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) ==
              nvme_query::kAdditionalParameters);
static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == nvme_query::kSpecificDataSize);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolType) == nvme_query::kProtocolType);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, DataType) == nvme_query::kDataType);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestValue) ==
              nvme_query::kRequestValue);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue) ==
              nvme_query::kRequestSubValue);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataOffset) ==
              nvme_query::kProtocolDataOffset);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataLength) ==
              nvme_query::kProtocolDataLength);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, FixedProtocolReturnData) ==
              nvme_query::kFixedProtocolReturnData);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue2) ==
              nvme_query::kRequestSubValue2);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue3) ==
              nvme_query::kRequestSubValue3);
static_assert(offsetof(STORAGE_PROTOCOL_SPECIFIC_DATA, ProtocolDataRequestSubValue4) ==
              nvme_query::kRequestSubValue4);
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == nvme_query::kDescriptorStructSize);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Version) ==
              nvme_query::kDescriptorVersion);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, Size) == nvme_query::kDescriptorSize);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) ==
              nvme_query::kProtocolSpecificData);
// The data follows the protocol data in the query as in the reply.
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) +
                  sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) ==
              nvme_query::kData);
static_assert(StorageAdapterProtocolSpecificProperty ==
              nvme_query::kStorageAdapterProtocolSpecificProperty);
static_assert(StorageDeviceProtocolSpecificProperty ==
              nvme_query::kStorageDeviceProtocolSpecificProperty);
static_assert(PropertyStandardQuery == nvme_query::kPropertyStandardQuery);
static_assert(ProtocolTypeNvme == nvme_query::kProtocolTypeNvme);
static_assert(ProtocolTypeNvme == nvme_protocol_command::kProtocolTypeNvme);
static_assert(NVMeDataTypeIdentify == nvme_query::kNvmeDataTypeIdentify);
static_assert(NVMeDataTypeLogPage == nvme_query::kNvmeDataTypeLogPage);

// STORAGE_PROTOCOL_COMMAND. MinGW-w64's headers have IOCTL_STORAGE_PROTOCOL_COMMAND but neither
// the structure nor its constants, so they are pinned here against the declaration and the
// values of the Windows SDK's winioctl.h, as documented.
namespace documented {
struct StorageProtocolCommand {
  DWORD Version;
  DWORD Length;
  STORAGE_PROTOCOL_TYPE ProtocolType;
  DWORD Flags;
  DWORD ReturnStatus;
  DWORD ErrorCode;
  DWORD CommandLength;
  DWORD ErrorInfoLength;
  DWORD DataToDeviceTransferLength;
  DWORD DataFromDeviceTransferLength;
  DWORD TimeOutValue;
  DWORD ErrorInfoOffset;
  DWORD DataToDeviceBufferOffset;
  DWORD DataFromDeviceBufferOffset;
  DWORD CommandSpecific;
  DWORD Reserved0;
  DWORD FixedProtocolReturnData;
  DWORD Reserved1[3];
  BYTE Command[ANYSIZE_ARRAY];
};
constexpr DWORD kStorageProtocolStructureVersion = 0x1;
constexpr DWORD kStorageProtocolCommandFlagAdapterRequest = 0x80000000;
constexpr DWORD kStorageProtocolCommandLengthNvme = 0x40;
constexpr DWORD kStorageProtocolSpecificNvmeAdminCommand = 0x01;
constexpr DWORD kStorageProtocolStatusPending = 0x0;
constexpr DWORD kStorageProtocolStatusSuccess = 0x1;
constexpr DWORD kStorageProtocolStatusError = 0x2;
constexpr DWORD kStorageProtocolStatusInvalidRequest = 0x3;
constexpr DWORD kStorageProtocolStatusNotSupported = 0xFF;
constexpr std::size_t kNvmeErrorInfoLogSize = 64;  // sizeof(NVME_ERROR_INFO_LOG), nvme.h
}  // namespace documented

using documented::StorageProtocolCommand;
static_assert(sizeof(StorageProtocolCommand) == nvme_protocol_command::kStructSize);
static_assert(offsetof(StorageProtocolCommand, Version) == nvme_protocol_command::kVersion);
static_assert(offsetof(StorageProtocolCommand, Length) == nvme_protocol_command::kLength);
static_assert(offsetof(StorageProtocolCommand, ProtocolType) ==
              nvme_protocol_command::kProtocolType);
static_assert(offsetof(StorageProtocolCommand, Flags) == nvme_protocol_command::kFlags);
static_assert(offsetof(StorageProtocolCommand, ReturnStatus) ==
              nvme_protocol_command::kReturnStatus);
static_assert(offsetof(StorageProtocolCommand, ErrorCode) == nvme_protocol_command::kErrorCode);
static_assert(offsetof(StorageProtocolCommand, CommandLength) ==
              nvme_protocol_command::kCommandLength);
static_assert(offsetof(StorageProtocolCommand, ErrorInfoLength) ==
              nvme_protocol_command::kErrorInfoLength);
static_assert(offsetof(StorageProtocolCommand, DataToDeviceTransferLength) ==
              nvme_protocol_command::kDataToDeviceTransferLength);
static_assert(offsetof(StorageProtocolCommand, DataFromDeviceTransferLength) ==
              nvme_protocol_command::kDataFromDeviceTransferLength);
static_assert(offsetof(StorageProtocolCommand, TimeOutValue) ==
              nvme_protocol_command::kTimeOutValue);
static_assert(offsetof(StorageProtocolCommand, ErrorInfoOffset) ==
              nvme_protocol_command::kErrorInfoOffset);
static_assert(offsetof(StorageProtocolCommand, DataToDeviceBufferOffset) ==
              nvme_protocol_command::kDataToDeviceBufferOffset);
static_assert(offsetof(StorageProtocolCommand, DataFromDeviceBufferOffset) ==
              nvme_protocol_command::kDataFromDeviceBufferOffset);
static_assert(offsetof(StorageProtocolCommand, CommandSpecific) ==
              nvme_protocol_command::kCommandSpecific);
static_assert(offsetof(StorageProtocolCommand, Reserved0) == nvme_protocol_command::kReserved0);
static_assert(offsetof(StorageProtocolCommand, FixedProtocolReturnData) ==
              nvme_protocol_command::kFixedProtocolReturnData);
static_assert(offsetof(StorageProtocolCommand, Reserved1) == nvme_protocol_command::kReserved1);
static_assert(offsetof(StorageProtocolCommand, Command) == nvme_protocol_command::kCommand);
static_assert(documented::kStorageProtocolStructureVersion ==
              nvme_protocol_command::kStructureVersion);
static_assert(documented::kStorageProtocolCommandFlagAdapterRequest ==
              nvme_protocol_command::kFlagAdapterRequest);
static_assert(documented::kStorageProtocolCommandLengthNvme == nvme_protocol_command::kCommandSize);
static_assert(documented::kStorageProtocolSpecificNvmeAdminCommand ==
              nvme_protocol_command::kNvmeAdminCommand);
static_assert(documented::kStorageProtocolStatusPending == nvme_protocol_command::kStatusPending);
static_assert(documented::kStorageProtocolStatusSuccess == nvme_protocol_command::kStatusSuccess);
static_assert(documented::kStorageProtocolStatusError == nvme_protocol_command::kStatusError);
static_assert(documented::kStorageProtocolStatusInvalidRequest ==
              nvme_protocol_command::kStatusInvalidRequest);
static_assert(documented::kStorageProtocolStatusNotSupported ==
              nvme_protocol_command::kStatusNotSupported);
static_assert(documented::kNvmeErrorInfoLogSize == nvme_protocol_command::kErrorInfoSize);

}  // namespace kestrine
