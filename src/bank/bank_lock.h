// Ownership of a bank while a process uses it: an advisory lock (flock) on its
// data file, exclusive for a process that changes the bank and shared for one
// that only reads it, kept until the process lets its banks go. The system
// drops the locks of a process that dies, so a bank that nobody holds
// exclusively has no writer alive.
#pragma once

#include <string>

#include "bank/bank_status.h"

enum class BankAccess { read, write };

// Locks the bank whose files are `dataName` and `indexName` without waiting.
// A file of the bank that is there but is not a regular file is refused
// (notRegular), and so is a bank another process holds (busy), each with one
// line. A data file that does not exist is not locked for a reader; for a
// writer it is made (empty) when `create`, and the change then counts it as new.
BankStatus lockBank(const std::string& dataName, const std::string& indexName, BankAccess access, bool create);
// Makes this process's lock on the bank exclusive; busy, with the line that
// says who holds it, when another process holds it too.
BankStatus lockBankExclusively(const std::string& dataName);
// True when the data file at `path` was made by lockBank in this process.
bool bankFileMadeHere(const std::string& path);
// Removes the data files lockBank made, once the change that made them is undone.
void removeBankFilesMadeHere();
// Lets every bank of this process go.
void releaseBankLocks();
// The absolute, normalised form of a file name; empty for an empty name or
// one that has no absolute form.
std::string absolutePath(const std::string& name);
