// The 108 equal-tempered notes C0..B8 (A4 = 440 Hz), the texts of the note
// list, and the fixed-decimal number-to-text routine.
#pragma once

#include <cstdint>
#include <string>

constexpr int kNoteCount = 108;

// Where the note list goes: the dialog hands a Qt list, tests a plain vector.
class NoteListSink {
public:
    virtual ~NoteListSink() = default;
    // Appends text as the next entry and attaches the note's frequency to it.
    virtual void addNote(const std::string& text, const double* frequency) = 0;
};

bool createNoteTable();          // false only when the table cannot be allocated
const double* noteTable();       // the 108 frequencies, or null when there is none
void fillNoteList(NoteListSink& list);
void releaseNoteTable();

// Fixed-decimal text of value with |decimals| (at most 11) rounded decimals.
// buffer must hold at least 24 characters; a null buffer is ignored.
void formatFixed(char* buffer, double value, int32_t decimals);
std::string formatFixed(double value, int32_t decimals);
