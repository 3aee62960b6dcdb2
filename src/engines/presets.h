// The eleven output presets, one row of data each. The index is what the
// window stores and hands to VideoEngine::SetiPodProfile; the label is what
// the user reads in the preset list.
#pragma once

#include <array>

namespace tevarro {

enum class VideoCodec { Mpeg4Visual, H264 };

struct Preset {
    const char* label;
    VideoCodec codec;
    int videoBitRate;  // bits per second
    int audioBitRate;  // bits per second, AAC-LC
    // What every preset shares; kept in the row so a row says everything.
    int width = 320;
    int height = 240;
    int frameRateNum = 30000;  // 29.97 fps
    int frameRateDen = 1001;
    int audioSampleRate = 48000;
    int audioChannels = 2;
    // MPEG-4 Visual: Simple Profile, level 3. H.264: Constrained Baseline,
    // level 1.3 (written as 13).
    int level = 0;
};

inline constexpr int kPresetCount = 11;
inline constexpr int kDefaultPreset = 4;

inline constexpr std::array<Preset, kPresetCount> kPresets{{
    {"MPEG-4/320x240/29.97FPS/256K/AAC/48K", VideoCodec::Mpeg4Visual, 256000, 48000, 320, 240, 30000, 1001, 48000, 2, 3},
    {"MPEG-4/320x240/29.97FPS/256K/AAC/96K", VideoCodec::Mpeg4Visual, 256000, 96000, 320, 240, 30000, 1001, 48000, 2, 3},
    {"MPEG-4/320x240/29.97FPS/384K/AAC/96K", VideoCodec::Mpeg4Visual, 384000, 96000, 320, 240, 30000, 1001, 48000, 2, 3},
    {"MPEG-4/320x240/29.97FPS/512K/AAC/96K", VideoCodec::Mpeg4Visual, 512000, 96000, 320, 240, 30000, 1001, 48000, 2, 3},
    {"MPEG-4/320x240/29.97FPS/512K/AAC/128K", VideoCodec::Mpeg4Visual, 512000, 128000, 320, 240, 30000, 1001, 48000, 2, 3},
    {"MPEG-4/320x240/29.97FPS/768K/AAC/128K", VideoCodec::Mpeg4Visual, 768000, 128000, 320, 240, 30000, 1001, 48000, 2, 3},
    {"H.264/320x240/29.97FPS/256K/AAC/48K", VideoCodec::H264, 256000, 48000, 320, 240, 30000, 1001, 48000, 2, 13},
    {"H.264/320x240/29.97FPS/256K/AAC/96K", VideoCodec::H264, 256000, 96000, 320, 240, 30000, 1001, 48000, 2, 13},
    {"H.264/320x240/29.97FPS/512K/AAC/96K", VideoCodec::H264, 512000, 96000, 320, 240, 30000, 1001, 48000, 2, 13},
    {"H.264/320x240/29.97FPS/512K/AAC/128K", VideoCodec::H264, 512000, 128000, 320, 240, 30000, 1001, 48000, 2, 13},
    {"H.264/320x240/29.97FPS/768K/AAC/128K", VideoCodec::H264, 768000, 128000, 320, 240, 30000, 1001, 48000, 2, 13},
}};

}  // namespace tevarro
