// Small helpers shared by the tests: a scratch directory, whole-file reads and
// little-endian field access.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

class ScratchDir {
public:
    // A new directory of its own under the system's temporary directory.
    ScratchDir()
    {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        do
            path_ = base / ("veltrane-" + std::to_string(random()));
        while (!std::filesystem::create_directory(path_));
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline std::vector<unsigned char> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string slurpBytes(const std::string& path)
{
    const std::vector<unsigned char> bytes = readBytes(path);
    return {bytes.begin(), bytes.end()};
}

inline uint32_t le32(const std::vector<unsigned char>& b, size_t at)
{
    return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 |
           uint32_t(b.at(at + 3)) << 24;
}

inline uint16_t le16(const std::vector<unsigned char>& b, size_t at)
{
    return uint16_t(b.at(at) | b.at(at + 1) << 8);
}

// True when the file is a finished WAVE file whose sizes and count agree with
// the data it holds.
inline bool isConsistentWave(const std::vector<unsigned char>& b)
{
    if (b.size() < 140)
        return false;
    const uint32_t d = le32(b, 136);
    const uint16_t bits = le16(b, 34);
    return b.size() == 140 + d && le32(b, 4) == 132 + d && bits >= 8 && le32(b, 128) == d / (bits / 8) &&
           d % le16(b, 32) == 0;
}
