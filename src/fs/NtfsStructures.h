// NTFS on-disk layout: offsets of the fields the reader uses in the boot sector, FILE records,
// attribute headers, index roots, index buffers, index entries and file-name attributes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lc::ntfs {

// Boot sector.
inline constexpr size_t kBootBytesPerSector = 11;     // u16
inline constexpr size_t kBootSectorsPerCluster = 13;  // u8; above 0x80: 2^(256 - value)
inline constexpr size_t kBootTotalSectors = 40;       // u64
inline constexpr size_t kBootMftCluster = 48;         // u64
inline constexpr size_t kBootRecordSize = 64;         // i8: > 0 clusters, < 0 2^-n bytes
inline constexpr size_t kBootIndexBufferSize = 68;    // i8, as the record size
inline constexpr size_t kMinBootSector = 72;

// Every multi-sector structure carries an update sequence: the last two bytes of each 512-byte
// block are saved in an array and replaced by a sequence number, checked on read.
inline constexpr size_t kFixupBlock = 512;
inline constexpr size_t kUsaOffset = 4;  // u16
inline constexpr size_t kUsaCount = 6;   // u16

// FILE record header.
inline constexpr uint32_t kFileMagic = 0x454C4946;   // "FILE"
inline constexpr size_t kRecordFirstAttribute = 20;  // u16
inline constexpr size_t kRecordSequence = 16;        // u16, matches the references to it
inline constexpr size_t kRecordFlags = 22;           // u16
inline constexpr size_t kRecordBytesInUse = 24;      // u32
inline constexpr size_t kRecordBase = 32;            // u64 reference; 0 in a base record
inline constexpr size_t kMinRecordHeader = 48;
inline constexpr uint16_t kRecordInUse = 0x0001;

// Attribute header.
inline constexpr size_t kAttrType = 0;              // u32
inline constexpr size_t kAttrLength = 4;            // u32
inline constexpr size_t kAttrNonResident = 8;       // u8
inline constexpr size_t kAttrNameLength = 9;        // u8, UTF-16 units
inline constexpr size_t kAttrFlags = 12;            // u16
inline constexpr size_t kAttrValueLength = 16;      // u32, resident
inline constexpr size_t kAttrValueOffset = 20;      // u16, resident
inline constexpr size_t kAttrLowestVcn = 16;        // u64, non-resident
inline constexpr size_t kAttrHighestVcn = 24;       // u64, non-resident
inline constexpr size_t kAttrRunListOffset = 32;    // u16, non-resident
inline constexpr size_t kAttrCompressionUnit = 34;  // u8, non-resident: 2^n clusters
inline constexpr size_t kAttrAllocatedSize = 40;    // u64, non-resident
inline constexpr size_t kAttrDataSize = 48;         // u64, non-resident
inline constexpr size_t kAttrInitializedSize = 56;  // u64, non-resident
inline constexpr size_t kMinAttributeHeader = 16;
inline constexpr size_t kMinResidentHeader = 24;
inline constexpr size_t kMinNonResidentHeader = 64;
inline constexpr uint32_t kAttrEnd = 0xFFFFFFFF;
inline constexpr uint16_t kAttrFlagCompressionMask = 0x00FF;
inline constexpr uint16_t kAttrFlagLznt1 = 0x0001;
inline constexpr uint16_t kAttrFlagEncrypted = 0x4000;
inline constexpr uint16_t kAttrFlagSparse = 0x8000;

// Attribute types.
inline constexpr uint32_t kTypeStandardInformation = 0x10;
inline constexpr uint32_t kTypeAttributeList = 0x20;
inline constexpr uint32_t kTypeFileName = 0x30;
inline constexpr uint32_t kTypeVolumeName = 0x60;
inline constexpr uint32_t kTypeData = 0x80;
inline constexpr uint32_t kTypeIndexRoot = 0x90;
inline constexpr uint32_t kTypeIndexAllocation = 0xA0;
inline constexpr uint32_t kTypeBitmap = 0xB0;
inline constexpr uint32_t kTypeReparsePoint = 0xC0;

// Standard-information value.
inline constexpr size_t kStdModified = 8;     // u64 FILETIME, UTC: the last write of the data
inline constexpr size_t kStdAttributes = 32;  // u32 file-attribute flags
inline constexpr size_t kMinStdInfo = 36;
inline constexpr uint32_t kFileAttrReparsePoint = 0x400;

// Attribute-list entry: which record holds which attribute (or piece of one).
inline constexpr size_t kListType = 0;        // u32
inline constexpr size_t kListLength = 4;      // u16
inline constexpr size_t kListReference = 16;  // u64: 48-bit record number, 16-bit sequence
inline constexpr size_t kMinListEntry = 26;

// Reparse-point value: tag, data length, then the tag's data at 8. Links name their target
// twice, as a substitute name and a print name, in a path buffer after the name fields.
inline constexpr size_t kReparseTag = 0;  // u32
inline constexpr size_t kReparseData = 8;
inline constexpr uint32_t kTagMountPoint = 0xA0000003;
inline constexpr uint32_t kTagSymlink = 0xA000000C;
inline constexpr size_t kMountPointPaths = 8;  // path buffer, after 4 u16: offset, length × 2
inline constexpr size_t kSymlinkPaths = 12;    // as above, then u32 flags

// File-name attribute value (also the key of a directory index entry).
inline constexpr size_t kFileNameModified = 0x10;  // u64 FILETIME, UTC
inline constexpr size_t kFileNameDataSize = 0x30;  // u64
inline constexpr size_t kFileNameFlags = 0x38;     // u32
inline constexpr size_t kFileNameLength = 0x40;    // u8, UTF-16 units
inline constexpr size_t kFileNameSpace = 0x41;     // u8
inline constexpr size_t kFileNameText = 0x42;
inline constexpr uint8_t kNamespaceDos = 2;
inline constexpr uint32_t kFileNameDirectory = 0x10000000;

// Index root value: the indexed attribute type, then an index header at 16.
inline constexpr size_t kRootIndexedType = 0;  // u32
inline constexpr size_t kRootHeader = 16;
// Index header, relative to its own start.
inline constexpr size_t kHeaderEntriesOffset = 0;  // u32, relative to the header
inline constexpr size_t kHeaderIndexLength = 4;    // u32, relative to the header
inline constexpr size_t kHeaderFlags = 12;         // u8
inline constexpr size_t kIndexHeaderSize = 16;
inline constexpr uint8_t kHeaderLargeIndex = 0x01;

// Index buffer ("INDX"): the index header at 24.
inline constexpr uint32_t kIndexMagic = 0x58444E49;  // "INDX"
inline constexpr size_t kBufferHeader = 24;

// Index entry: file reference, lengths, flags, then the file-name key at 16.
inline constexpr size_t kEntryFileReference = 0;  // 48-bit record number, 16-bit sequence
inline constexpr size_t kEntryLength = 8;         // u16
inline constexpr size_t kEntryKeyLength = 10;     // u16
inline constexpr size_t kEntryFlags = 12;         // u16
inline constexpr size_t kEntryKey = 16;
inline constexpr size_t kMinEntry = 16;
inline constexpr uint16_t kEntryLast = 0x0002;
inline constexpr uint64_t kRecordNumberMask = 0x0000FFFFFFFFFFFF;
inline constexpr unsigned kReferenceSequenceShift = 48;

// Well-known records. Records below 25 are system files (and the root itself).
inline constexpr uint64_t kRecordMft = 0;
inline constexpr uint64_t kRecordVolume = 3;
inline constexpr uint64_t kRecordRoot = 5;
inline constexpr uint64_t kFirstUserRecord = 25;

// Limits that keep hostile geometry from overflowing or looping.
inline constexpr uint32_t kMaxClusterBytes = 2u << 20;
inline constexpr uint32_t kMinRecordBytes = 512;
inline constexpr uint32_t kMaxRecordBytes = 64u << 10;
inline constexpr uint64_t kMaxTotalSectors = uint64_t{1} << 48;
inline constexpr unsigned kMaxDepth = 256;
// Far more than any real value: an attribute list is at most 256 KiB, compression units are 16
// clusters, and no file holds 2^48 bytes.
inline constexpr uint64_t kMaxAttributeListBytes = 256u << 10;
inline constexpr unsigned kMaxCompressionUnitShift = 8;
inline constexpr uint32_t kMaxCompressionUnitBytes = 2u << 20;
inline constexpr uint64_t kMaxDataSize = uint64_t{1} << 48;

}  // namespace lc::ntfs
