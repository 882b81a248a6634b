#pragma once
// The two fixed character tables of the terminal: code page 437 for bytes above 0x7F that are
// not part of UTF-8, and the DEC special graphics that ESC ( 0 selects.
#include <cstdint>

// The UTF-16 unit of a byte in code page 437; bytes below 0x80 stand for themselves.
char16_t cp437_unit(uint8_t b);

// The DEC special-graphics unit of 0x60-0x7E; every other byte stands for itself.
char16_t dec_graphics_unit(uint8_t b);
