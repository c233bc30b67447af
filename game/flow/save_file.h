// The save file: one 500-byte record (big-endian numbers, no checksum) in three slot files and one automatic save,
// its writer and checking reader, the save/load screen (modes 15 and 16) and the corrupt-save screen (mode 94).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int save_record_size = 500;
inline constexpr int save_header_size = 50;
inline constexpr const char* save_slot_files[3] = {"sst.dat", "ssj.dat", "ssl.dat"};
inline constexpr const char* auto_save_file = "ssb.dat";
inline constexpr int save_money_limit = 0xFFFFFF;  // the widest value the record's 24-bit field holds

extern std::uint8_t save_record[save_record_size];             // the record as last built or read
extern std::uint8_t save_headers[3][save_header_size];         // the first 50 bytes of each slot file

// Fills save_record from the player globals and a date (year, month, day, hour, minute). No engine call.
void build_save_record(const int date[5]);
// Takes `length` bytes of a file into save_record (bytes beyond read as 0) and the player globals, in record order,
// and checks it. A short record is corrupt. Returns 1 when every check passed, 0 when it is corrupt. No engine call.
int take_save_record(const std::uint8_t* bytes, std::size_t length);

// Builds the record with the local date and time and writes it whole to "ssb.dat" (from the location select, mode
// 10) or to the slot of screen_cursor[1]. The old file is replaced only once the new one is complete: returns 1 when
// written, 0 when the file could not be written (the old one stays as it was).
int write_save();
// Reads "ssb.dat" (the continue, mode 4) or the slot of screen_cursor[1] into the globals: 1 valid, 0 corrupt. A
// file that cannot be opened is corrupt and leaves the globals untouched.
int read_save();

void save_slot_screen(int pad);     // modes 15 (save) and 16 (load)
void corrupt_save_screen(int pad);  // mode 94; the pad word is not used
