// The archive file format: layout constants and the fixed bytes of the key transform. The reader and the packer
// both take them from here, so an archive made by one is read by the other.
#pragma once

#include <cstdint>

// Header: 24 bytes at file offset 0, little-endian.
inline constexpr std::uint16_t kArchiveMagic = 0x555A;  // the bytes "ZU"
inline constexpr int kArchiveHeaderSize = 24;
inline constexpr int kArchiveMaxVersion = 3;
// File entries: 40 bytes in versions 0 and 1, 44 (with the compressed size) from version 2 on.
inline constexpr int kArchiveFileEntrySizeV0 = 40;
inline constexpr int kArchiveFileEntrySizeV2 = 44;
inline constexpr int kArchiveFirstCompressingVersion = 2;
inline constexpr int kArchiveDirEntrySize = 16;
inline constexpr std::uint32_t kArchiveDirectoryAttribute = 0x10;
inline constexpr std::uint32_t kArchiveFileAttribute = 0x20;
inline constexpr std::uint32_t kArchiveStoredMember = 0xFFFFFFFFu;  // compressed size of a stored member
inline constexpr std::uint32_t kArchiveNoParent = 0xFFFFFFFFu;      // parent of the root directory

// Offsets inside a file entry.
inline constexpr int kArchiveEntryName = 0;
inline constexpr int kArchiveEntryAttributes = 4;
inline constexpr int kArchiveEntryData = 32;  // data offset, or a directory's directory-entry offset
inline constexpr int kArchiveEntrySize = 36;
inline constexpr int kArchiveEntryCompressedSize = 40;
// Offsets inside a directory entry.
inline constexpr int kArchiveDirSelf = 0;
inline constexpr int kArchiveDirParent = 4;
inline constexpr int kArchiveDirCount = 8;
inline constexpr int kArchiveDirFirst = 12;

// Compressed member data: u32 decompressed size, u32 compressed size with this header, u8 escape byte, tokens.
inline constexpr int kArchiveLzHeaderSize = 9;
inline constexpr int kArchiveLzMinMatch = 4;
inline constexpr int kArchiveLzMaxMatch = 8195;            // length field of 13 bits, plus 4
inline constexpr std::uint32_t kArchiveLzMaxDistance = 1u << 24;  // three distance bytes, plus 1
// No token yields more than this many bytes per byte it takes (a 4-byte match of the longest length).
inline constexpr std::uint64_t kArchiveLzMaxExpansion = 2049;

// Name keys hold one upper-cased path component, zero-padded to whole 32-bit words.
inline constexpr int kArchiveNameKeySize = 1024;

// The scrambling key: 12 bytes, built from the key string (or the filler byte) by a fixed transform per position.
inline constexpr int kArchiveKeySize = 12;
inline constexpr std::uint8_t kArchiveKeyXor2 = 0xA7;
inline constexpr std::uint8_t kArchiveKeyXor5 = 0x3C;
inline constexpr std::uint8_t kArchiveKeyXor9 = 0x5E;
inline constexpr std::uint8_t kArchiveKeyXor10 = 0xD1;
inline constexpr std::uint8_t kArchiveKeyXor11 = 0x86;
// The source byte used for all 12 positions when no key string is set.
inline constexpr std::uint8_t kArchiveKeyFiller = 0xAA;
// The second built-in key, tried when the first one gives no magic: 12 times this byte.
inline constexpr std::uint8_t kArchiveSecondKeyByte = 0x4B;
