#include "movie_test_files.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "movie_writer.h"

namespace {

MemoryFile *Memory(MovieFile *file)
{
    return (MemoryFile *)file->context;
}

bool TakeOperation(MemoryFile *m)
{
    if (m->operations_left == 0) {
        m->file.system_error = SIMULATED_DISK_FULL;
        return false;
    }
    if (m->operations_left > 0)
        --m->operations_left;
    ++m->operations;
    return true;
}

MovieFileStatus MemoryWrite(MovieFile *file, uint64_t offset, const void *bytes, size_t length)
{
    MemoryFile *m = Memory(file);
    if (!TakeOperation(m))
        return MOVIE_FILE_FAILED;
    uint64_t end = offset + length;
    size_t fits = end <= m->space ? length : offset >= m->space ? 0 : (size_t)(m->space - offset);
    if (offset + fits > m->bytes.size())
        m->bytes.resize(offset + fits);
    memcpy(m->bytes.data() + offset, bytes, fits);
    if (fits < length) {
        file->system_error = SIMULATED_DISK_FULL;
        return MOVIE_FILE_FAILED;
    }
    return MOVIE_FILE_OK;
}

MovieFileStatus MemoryRead(MovieFile *file, uint64_t offset, void *bytes, size_t length)
{
    MemoryFile *m = Memory(file);
    if (offset + length > m->bytes.size())
        return MOVIE_FILE_SHORT;
    memcpy(bytes, m->bytes.data() + offset, length);
    return MOVIE_FILE_OK;
}

MovieFileStatus MemoryTruncate(MovieFile *file, uint64_t length)
{
    MemoryFile *m = Memory(file);
    if (!TakeOperation(m))
        return MOVIE_FILE_FAILED;
    m->bytes.resize(length);
    return MOVIE_FILE_OK;
}

MovieFileStatus MemorySize(MovieFile *file, uint64_t *length)
{
    *length = Memory(file)->bytes.size();
    return MOVIE_FILE_OK;
}

MovieFileStatus NothingToHandOver(MovieFile *)
{
    return MOVIE_FILE_OK;
}

const uint64_t BLOCK = 64;

SparseFile *Sparse(MovieFile *file)
{
    return (SparseFile *)file->context;
}

bool AllZero(const uint8_t *bytes, size_t length)
{
    static const uint8_t zeros[BLOCK] = {};
    return memcmp(bytes, zeros, length) == 0;
}

MovieFileStatus SparseWrite(MovieFile *file, uint64_t offset, const void *bytes, size_t length)
{
    SparseFile *s = Sparse(file);
    const uint8_t *from = (const uint8_t *)bytes;
    uint64_t end = offset + length;
    // Walks the blocks already held alongside, so zeros cost no search.
    auto held = s->blocks.lower_bound(offset / BLOCK);
    while (offset < end) {
        uint64_t block = offset / BLOCK;
        size_t at = (size_t)(offset % BLOCK);
        size_t piece = (size_t)(BLOCK - at < end - offset ? BLOCK - at : end - offset);
        if (held != s->blocks.end() && held->first == block) {
            memcpy(held->second.data() + at, from, piece);
            ++held;
        } else if (!AllZero(from, piece)) {
            auto fresh = s->blocks.emplace_hint(held, block, std::vector<uint8_t>(BLOCK, 0));
            memcpy(fresh->second.data() + at, from, piece);
        }
        from += piece;
        offset += piece;
    }
    if (end > s->size)
        s->size = end;
    return MOVIE_FILE_OK;
}

MovieFileStatus SparseRead(MovieFile *file, uint64_t offset, void *bytes, size_t length)
{
    SparseFile *s = Sparse(file);
    if (offset + length > s->size)
        return MOVIE_FILE_SHORT;
    uint8_t *to = (uint8_t *)bytes;
    uint64_t end = offset + length;
    while (offset < end) {
        size_t at = (size_t)(offset % BLOCK);
        size_t piece = (size_t)(BLOCK - at < end - offset ? BLOCK - at : end - offset);
        auto held = s->blocks.find(offset / BLOCK);
        if (held != s->blocks.end())
            memcpy(to, held->second.data() + at, piece);
        else
            memset(to, 0, piece);
        to += piece;
        offset += piece;
    }
    return MOVIE_FILE_OK;
}

MovieFileStatus SparseTruncate(MovieFile *file, uint64_t length)
{
    SparseFile *s = Sparse(file);
    auto cut = s->blocks.lower_bound(length / BLOCK);
    if (cut != s->blocks.end() && cut->first == length / BLOCK) {
        size_t keep = (size_t)(length % BLOCK);
        memset(cut->second.data() + keep, 0, BLOCK - keep);
        ++cut;
    }
    s->blocks.erase(cut, s->blocks.end());
    s->size = length;
    return MOVIE_FILE_OK;
}

MovieFileStatus SparseSize(MovieFile *file, uint64_t *length)
{
    *length = Sparse(file)->size;
    return MOVIE_FILE_OK;
}

}  // namespace

void InitMemoryFile(MemoryFile *m)
{
    m->file =
        MovieFile{m, MemoryWrite, MemoryRead, MemoryTruncate, MemorySize, NothingToHandOver, 0};
    m->bytes.clear();
    m->operations_left = -1;
    m->space = UINT64_MAX;
    m->operations = 0;
}

void InitSparseFile(SparseFile *s)
{
    s->file =
        MovieFile{s, SparseWrite, SparseRead, SparseTruncate, SparseSize, NothingToHandOver, 0};
    s->blocks.clear();
    s->size = 0;
}

Bytes TestBits(uint32_t index)
{
    Bytes bits(DISPLAY_IMAGE_BYTES);
    for (uint32_t i = 0; i < DISPLAY_IMAGE_BYTES; ++i)
        bits[i] = (uint8_t)(i * 13 + index * 101 + (i / (FRAME_WIDTH * 3)) * 7);
    return bits;
}

Bytes ReferenceMovie(uint32_t frames, FrameRate rate, uint64_t part_limit)
{
    MemoryFile memory;
    InitMemoryFile(&memory);
    MovieWriter writer;
    StartMovie(&writer, &memory.file, rate, part_limit);
    for (uint32_t f = 0; f < frames; ++f)
        AddMovieFrame(&writer, TestBits(f).data());
    FinishMovie(&writer);
    return memory.bytes;
}

uint32_t Le32(const Bytes &bytes, uint64_t offset)
{
    uint32_t value = 0;
    if (offset + 4 <= bytes.size())
        memcpy(&value, bytes.data() + offset, 4);
    return value;
}

namespace {

// Whether decoded frame f, top row first, is bits turned upside down.
bool DecodedFrameIs(const Bytes &decoded, size_t f, const Bytes &bits)
{
    const size_t row = FRAME_WIDTH * 3;
    if ((f + 1) * DISPLAY_IMAGE_BYTES > decoded.size())
        return false;
    for (size_t r = 0; r < FRAME_HEIGHT; ++r)
        if (memcmp(decoded.data() + f * DISPLAY_IMAGE_BYTES + r * row,
                   bits.data() + (FRAME_HEIGHT - 1 - r) * row, row)
            != 0)
            return false;
    return true;
}

}  // namespace

int FirstWrongFrame(const Bytes &decoded, uint32_t frames)
{
    for (uint32_t f = 0; f < frames; ++f)
        if (!DecodedFrameIs(decoded, f, TestBits(f)))
            return (int)f;
    return -1;
}

int FirstWrongDecodedFrame(const Bytes &decoded, const std::vector<Bytes> &painted)
{
    for (size_t f = 0; f < painted.size(); ++f)
        if (!DecodedFrameIs(decoded, f, painted[f]))
            return (int)f;
    return decoded.size() == painted.size() * DISPLAY_IMAGE_BYTES ? -1 : (int)painted.size();
}

std::string FfmpegDisagreement(const std::string &path, const std::vector<Bytes> &painted,
                               const std::string &rate)
{
    std::string count = std::to_string(painted.size());
    std::string expected = "codec_name=rawvideo\nwidth=96\nheight=72\npix_fmt=bgr24\nr_frame_rate="
                           + rate + "\nnb_frames=" + count + "\nnb_read_frames=" + count + "\n";
    std::string problems, probed = ProbeMovie(path);
    if (probed != expected)
        problems += "ffprobe tells\n" + probed + "instead of\n" + expected;
    Decoded decoded = DecodeMovie(path);
    if (decoded.status != 0 || !decoded.errors.empty())
        problems +=
            "ffmpeg ends with " + std::to_string(decoded.status) + ": " + decoded.errors + "\n";
    int wrong = FirstWrongDecodedFrame(decoded.frames, painted);
    if (wrong >= 0)
        problems += "ffmpeg's frame " + std::to_string(wrong) + " is not the painted one ("
                    + std::to_string(decoded.frames.size()) + " bytes decoded)\n";
    return problems;
}

int IndexedFrames(const Bytes &file)
{
    uint32_t parts = Le32(file, 224);
    int frames = 0;
    for (uint32_t p = 0; p < parts && p < 256; ++p) {
        uint64_t entry = 244 + p * 16;
        uint64_t ix00 = Le32(file, entry) | (uint64_t)Le32(file, entry + 4) << 32;
        uint32_t count = Le32(file, ix00 + 12);
        if (Le32(file, ix00) != 0x30307869 || count != Le32(file, entry + 12))
            return -1;
        uint64_t base = Le32(file, ix00 + 20) | (uint64_t)Le32(file, ix00 + 24) << 32;
        for (uint32_t f = 0; f < count; ++f, ++frames) {
            uint64_t data = base + Le32(file, ix00 + 32 + f * 8);
            Bytes bits = TestBits((uint32_t)frames);
            if (data + bits.size() > file.size() || Le32(file, data - 8) != 0x62643030
                || !std::equal(bits.begin(), bits.end(), file.begin() + data))
                return -1;
        }
    }
    return frames;
}

#ifdef _WIN32
#include <windows.h>
#include <vfw.h>

#include "files.h"

int OldReaderFrames(const std::string &path, uint32_t frames, Bytes (*expected)(uint32_t),
                    OldReaderStream *told)
{
    AVIFileInit();
    PAVIFILE file = NULL;
    PAVISTREAM stream = NULL;
    int good = -1;
    if (AVIFileOpenW(&file, ToUtf16(path).c_str(), OF_READ, NULL) == 0
        && AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0) {
        AVISTREAMINFOW info = {};
        AVIStreamInfoW(stream, &info, sizeof(info));
        LONG length = AVIStreamLength(stream);
        if (told != NULL)
            *told = OldReaderStream{info.dwRate, info.dwScale, length};
        // Up to the stream's end, so that UINT32_MAX reads every frame.
        if (length >= 0 && (uint32_t)length < frames)
            frames = (uint32_t)length;
        Bytes bits(DISPLAY_IMAGE_BYTES);
        LONG bytes = 0;
        for (good = 0; (uint32_t)good < frames; ++good) {
            if (AVIStreamRead(stream, good, 1, bits.data(), (LONG)bits.size(), &bytes, NULL) != 0
                || bytes != DISPLAY_IMAGE_BYTES || bits != expected((uint32_t)good))
                break;
        }
    }
    if (stream != NULL)
        AVIStreamRelease(stream);
    if (file != NULL)
        AVIFileRelease(file);
    AVIFileExit();
    return good;
}

bool HaveFfmpeg()
{
    return false;
}

Decoded DecodeMovie(const std::string &)
{
    return Decoded{-1, "no ffmpeg under Windows", Bytes()};
}

std::string ProbeMovie(const std::string &)
{
    return "";
}
#else
#include <sys/wait.h>

namespace {

// Runs a command through the shell; its standard output is returned, its
// status set. Paths here are our own scratch names, without quotes.
Bytes RunCommand(const std::string &command, int *status)
{
    Bytes output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == NULL) {
        *status = -1;
        return output;
    }
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        output.insert(output.end(), buffer, buffer + got);
    int raw = pclose(pipe);
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}

std::string Text(const Bytes &bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

bool HaveFfmpeg()
{
    int status;
    RunCommand("ffmpeg -version >/dev/null 2>&1 && ffprobe -version >/dev/null 2>&1", &status);
    return status == 0;
}

Decoded DecodeMovie(const std::string &path)
{
    Decoded decoded;
    std::string errors = path + ".errors";
    decoded.frames = RunCommand("ffmpeg -nostdin -v error -i '" + path
                                    + "' -f rawvideo -pix_fmt bgr24 - 2>'" + errors + "'",
                                &decoded.status);
    int status;
    decoded.errors = Text(RunCommand("cat '" + errors + "'", &status));
    return decoded;
}

std::string ProbeMovie(const std::string &path)
{
    int status;
    return Text(RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                           "stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_frames,"
                           "nb_read_frames -of default=noprint_wrappers=1 '"
                               + path + "' 2>&1",
                           &status));
}
#endif
