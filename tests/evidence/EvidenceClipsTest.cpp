#include "evidence/EvidenceClips.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <complex>
#include <cstring>
#include <filesystem>
#include <thread>

#include "device/IqFileSource.h"
#include "dsp/IqFormat.h"
#include "tests/support/StationIq.h"
#include "tests/support/TempFolder.h"

namespace tavik {
namespace {

using test::CTempFolder;
constexpr int kBlock = 20000;
constexpr int kRate = CEvidenceClips::kSampleRate;

// A recording's MPX: signed 16-bit values, the extremes included, that no two positions share
// within a clip, so an offset slip shows.
std::vector<std::int16_t> Recording(int samples) {
    std::vector<std::int16_t> values(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        values[static_cast<std::size_t>(i)] =
            static_cast<std::int16_t>((std::int64_t{i} * 7919) % 65536 - 32768);
    }
    return values;
}

// Hands the recording's blocks [from, to) to the clips, as the distribution thread does: as
// floats holding the 16-bit values.
void Feed(CEvidenceClips& clips, const std::vector<std::int16_t>& recording, int from, int to) {
    std::vector<float> block(kBlock);
    for (int b = from; b < to; ++b) {
        for (int i = 0; i < kBlock; ++i) {
            block[static_cast<std::size_t>(i)] =
                recording[static_cast<std::size_t>(b * kBlock + i)];
        }
        clips.OnMpxBlock(block.data(), kBlock);
    }
}

bool WaitForFile(const std::string& path) {
    for (int i = 0; i < 1000 && !std::filesystem::exists(path); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::filesystem::exists(path);
}

std::vector<std::uint8_t> ExpectedClip(const std::vector<std::int16_t>& recording, int from,
                                       int to) {
    std::vector<std::uint8_t> bytes =
        CEvidenceClips::WavHeader(static_cast<std::uint32_t>(to - from), kRate);
    for (int i = from; i < to; ++i) {
        const auto v = static_cast<std::uint16_t>(recording[static_cast<std::size_t>(i)]);
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return bytes;
}

TEST(EvidenceClips, WavHeaderBytes) {
    // 44-byte canonical header: 3 samples, 200000 Hz (0x030D40), 400000 bytes/s (0x061A80).
    const std::vector<std::uint8_t> expected = {
        'R',  'I', 'F', 'F', 42, 0, 0,   0,   'W', 'A',  'V',  'E',  'f', 'm',  't',
        ' ',  16,  0,   0,   0,  1, 0,   1,   0,   0x40, 0x0D, 0x03, 0,   0x80, 0x1A,
        0x06, 0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  6,    0,    0,   0};
    EXPECT_EQ(CEvidenceClips::WavHeader(3, 200000), expected);
}

// The writer waits for the seconds after the activation; the clip is then exactly the
// recording's samples from one second before to one second after it, wherever the ring stood.
TEST(EvidenceClips, ClipHoldsTheRecordingAroundTheActivation) {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    const std::vector<std::int16_t> recording = Recording(60 * kBlock);
    CTempFolder folder;
    const std::string dir = folder.Path() + "/evidence";
    CEvidenceClips clips(dir, 1, 500u << 20);
    // Past the ring's size (4 s = 40 blocks) first, so the clip wraps around it.
    Feed(clips, recording, 0, 37);
    const CTime planted(1796722207);  // 8.12.2026 10:30:07 in Berlin
    const std::string file = clips.Request("Overmod", planted);
    EXPECT_EQ(file, "20261208-103007-Overmod.wav");
    Feed(clips, recording, 37, 46);  // one block short of the second after
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(std::filesystem::exists(dir + "/" + file));
    Feed(clips, recording, 46, 60);
    ASSERT_TRUE(WaitForFile(dir + "/" + file));
    EXPECT_EQ(folder.Read("evidence/" + file),
              ExpectedClip(recording, 37 * kBlock - kRate, 37 * kBlock + kRate));
    EXPECT_EQ(clips.GetFailures(), 0);
}

// Early in a run the clip starts with the first sample; a stop writes what came after.
TEST(EvidenceClips, ClipsCutByTheRunsBeginningAndEnd) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::vector<std::int16_t> recording = Recording(10 * kBlock);
    CTempFolder folder;
    CEvidenceClips clips(folder.Path(), 1, 500u << 20);
    std::thread distribution([&] { Feed(clips, recording, 0, 3); });
    distribution.join();
    const std::string first = clips.Request("A", CTime(0));
    const std::string second = clips.Request("A", CTime(0));  // same second, same alarm
    EXPECT_EQ(first, "19700101-000000-A.wav");
    EXPECT_EQ(second, "19700101-000000-A-2.wav");
    Feed(clips, recording, 3, 5);
    clips.Flush();
    EXPECT_EQ(folder.Read(first), ExpectedClip(recording, 0, 5 * kBlock));
    EXPECT_EQ(folder.Read(second), ExpectedClip(recording, 0, 5 * kBlock));
}

TEST(EvidenceClips, SafeNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"Overmod", "Overmod"},
        {"Over mod/1", "Over_mod_1"},
        {"../../etc/passwd", "_._.._etc_passwd"},
        {".hidden", "_hidden"},
        {"a\\b:c*?\"<>|", "a_b_c______"},
        {"Pegel-2.dBr_x", "Pegel-2.dBr_x"},
        {"\xC3\xA4rger", "__rger"},
        {"", "alarm"},
    };
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(CEvidenceClips::SafeName(name), safe) << name;
    }
    EXPECT_EQ(CEvidenceClips::SafeName(std::string(100, 'x')), std::string(64, 'x'));
}

TEST(EvidenceClips, CapRemovesOldestClipsOnly) {
    CTempFolder folder;
    const std::string dir = folder.Path();
    const auto put = [&](const std::string& name, std::size_t size) {
        folder.Write(name, std::vector<std::uint8_t>(size, 0));
    };
    put("20261208-103007-B.wav", 100);
    put("20261208-103007-B.sigmf-data", 100);
    put("20261207-235959-A.wav", 100);  // the oldest
    put("20261208-110000-C.wav", 100);
    put("20261209-000000-D.wav", 100);  // the newest, just written with its IQ
    put("20261209-000000-D.sigmf-meta", 100);
    // Not clips: never removed, never counted.
    put("tavik261208.log", 1000);
    put("tavik261208.xml", 1000);
    put("notes.wav", 1000);
    put("notes.sigmf-meta", 1000);
    put("20261208-1030-short.wav", 1000);
    put("20261201-000000-E.wav.part", 1000);
    std::filesystem::create_directory(dir + "/20261201-000000-F.wav");

    const std::string keep = "20261209-000000-D";
    EXPECT_EQ(CEvidenceClips::EnforceCap(dir, 600, keep), 0);
    EXPECT_EQ(CEvidenceClips::EnforceCap(dir, 350, keep), 3);
    for (const char* gone :
         {"20261207-235959-A.wav", "20261208-103007-B.wav", "20261208-103007-B.sigmf-data"}) {
        EXPECT_FALSE(std::filesystem::exists(dir + "/" + gone)) << gone;
    }
    EXPECT_TRUE(std::filesystem::exists(dir + "/20261208-110000-C.wav"));
    // Below any clip's size: everything but the clip just written goes.
    EXPECT_EQ(CEvidenceClips::EnforceCap(dir, 10, keep), 1);
    for (const char* kept :
         {"20261209-000000-D.wav", "20261209-000000-D.sigmf-meta", "tavik261208.log",
          "tavik261208.xml", "notes.wav", "notes.sigmf-meta", "20261208-1030-short.wav",
          "20261201-000000-E.wav.part", "20261201-000000-F.wav"}) {
        EXPECT_TRUE(std::filesystem::exists(dir + "/" + kept)) << kept;
    }
}

// A live receiver's IQ around the activation: the data are the stream's samples as ci16_le,
// and the metadata let the IQ source receive them again at the same station.
TEST(EvidenceClips, IqClipIsSigmfThatTheIqSourceReceives) {
    setenv("TZ", "UTC", 1);
    tzset();
    const std::vector<std::uint8_t> bytes = test::StationIq(3.0);
    std::vector<std::complex<float>> iq(bytes.size() / 2);
    ConvertIq(CIqFormat::Cu8, bytes.data(), iq.size(), iq.data());
    CTempFolder folder;
    constexpr int kRateIq = 1200000;
    constexpr int kChunk = 24000;
    {
        CEvidenceClips clips(folder.Path(), 1, 500u << 20);
        clips.OnIqStart({kRateIq, 106.45e6, 106.7e6, 95.0});
        for (int at = 0; at < 3 * kRateIq; at += kChunk) {
            if (at == kRateIq * 3 / 2) {
                clips.Request("Dev \"1\"", CTime(0));
            }
            clips.OnIq(iq.data() + at, kChunk);
        }
        clips.Flush();
        EXPECT_EQ(clips.GetFailures(), 0) << clips.GetLastFailure();
    }
    const std::string base = "19700101-000000-Dev__1_";
    std::vector<std::uint8_t> expected(std::size_t{2} * kRateIq * 4);
    EncodeIq(CIqFormat::Ci16, iq.data() + kRateIq / 2, 2 * kRateIq, expected.data());
    EXPECT_TRUE(folder.Read(base + ".sigmf-data") == expected);

    const auto meta = nlohmann::json::parse(folder.Read(base + ".sigmf-meta"));
    EXPECT_EQ(meta["global"]["core:datatype"], "ci16_le");
    EXPECT_EQ(meta["annotations"][0]["core:sample_start"], kRateIq);
    EXPECT_EQ(meta["annotations"][0]["core:sample_count"], kRateIq);
    EXPECT_EQ(meta["annotations"][0]["core:label"], "Dev \"1\"");
    CIqSourceSettings settings;
    settings.strFile = folder.File(base + ".sigmf-meta");
    CIqFileSource source(settings);
    EXPECT_EQ(source.ReceiverSettings().fSampleRate, kRateIq);
    EXPECT_EQ(source.ReceiverSettings().fCentre, 106.45e6);
    EXPECT_EQ(source.ReceiverSettings().fStation, 106.7e6);
    EXPECT_EQ(source.ReceiverSettings().fFullScaleDbuv, 95.0);
    std::vector<float> mpx(kBlock);
    std::vector<float> level(kBlock);
    EXPECT_TRUE(source.ReadBlock(mpx.data(), level.data()));
}

TEST(EvidenceClips, UnwritableFolderCountsAFailure) {
    CTempFolder folder;
    folder.Write("file", {1});
    const std::vector<std::int16_t> recording = Recording(kBlock);
    CEvidenceClips clips(folder.File("file") + "/evidence", 1, 500u << 20);
    Feed(clips, recording, 0, 1);
    clips.Request("A", CTime(0));
    clips.Flush();
    EXPECT_EQ(clips.GetFailures(), 1);
    EXPECT_NE(clips.GetLastFailure().find("cannot write"), std::string::npos);
}

}  // namespace
}  // namespace tavik
