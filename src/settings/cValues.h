#pragma once
// A small store of named values, kept as text, loaded from one binary file at start-up
// and written back at the end.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/mFileSystem.h"

// One value as read from the store: its text, or a whole number when the record is numeric.
class SettingValue {
public:
    SettingValue() = default;
    SettingValue(std::string text, bool numeric) : text_(std::move(text)), numeric_(numeric) {}

    bool IsEmpty() const { return text_.empty(); }
    const std::string& Text() const { return text_; }  // as stored (a numeric record gives its whole number)
    double Number() const;    // 0 when empty or not a number
    int32_t Long() const;     // Number() rounded half to even
    float Single() const;     // Number() in single precision
    bool IsOn() const { return Number() == 1; }  // the on/off settings are on exactly at 1

private:
    std::string text_;
    bool numeric_ = false;
};

class cValues {
public:
    struct ValueRecord {
        std::string Name;
        bool Numeric = false;  // stored as 16 bits: 0 or -1
        std::string Text;
    };

    // The 16-bit length fields of the file bound every key and value.
    static constexpr size_t MaxFieldLength = 0xFFFF;

    cValues() { Reset(); }

    void Reset();

    SettingValue Value(std::string_view iName) const;
    // The record's text exactly as stored (a numeric record's too), or nothing when absent.
    std::optional<std::string> StoredText(std::string_view iName) const;
    // Stores iValue under iName; an empty value deletes the key. False (and nothing stored)
    // when the key or value would not fit the file's 16-bit length fields.
    bool Value(std::string_view iName, std::string_view iValue);
    bool Value(std::string_view iName, const char* iValue) { return Value(iName, std::string_view(iValue)); }
    bool Value(std::string_view iName, double iValue);
    bool Value(std::string_view iName, float iValue);
    bool Value(std::string_view iName, int iValue);
    void SetDefault(std::string_view iName, std::string_view iValue);

    // No settings file comes near this size: a larger one is no settings file, and is not read.
    static constexpr size_t MaxFileBytes = 1 << 20;

    // Reads the store from a regular file (never waiting on a FIFO or a device) and makes
    // it the file SaveData writes. A file that exists but could not be read (no permission,
    // too large) is never replaced: SaveData then fails and says why.
    mFileSystem::ReadOutcome LoadData(std::string_view iFileName);
    // Replaces the file (the one a link names, when the link leads to a regular file) with
    // the store, through a temporary file, making the missing folders above it first. False
    // when it did not, SaveFailure saying why.
    bool SaveData(std::string_view iFileName = {});
    const std::string& SaveFailure() const { return SaveFailure_; }

    // The store in the file's byte form, and back. ReadData keeps every record that is
    // whole and stops at the first that is not; it returns false then.
    std::string WriteData() const;
    bool ReadData(std::string_view bytes);

    const std::string& FileName() const { return FileName_; }
    int32_t LastIndex() const { return static_cast<int32_t>(Records_.size()) - 1; }
    const std::vector<ValueRecord>& Records() const { return Records_; }

private:
    // Index of the record named iName (case-insensitive), or Records_.size() when absent.
    size_t Find(std::string_view iName) const;

    std::string FileName_;
    std::string KeepReason_;  // why FileName_, which exists, could not be read: never replaced then
    std::string SaveFailure_;
    std::vector<ValueRecord> Records_;
};
