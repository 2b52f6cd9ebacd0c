// A file as the program writes it, start to finish, by its rules alone:
//
// - A 140-byte header: the RIFF chunk, a 100-byte format chunk (integer PCM,
//   two channels, the rate and width, and an 82-byte record that carries the
//   program's notice), a fact chunk with the data's count of samples, and the
//   data chunk's head.
// - The data: a block of 512 silent frames, then the signal's blocks of 512
//   frames, the last one filled up with zeros. A sine that gives no tone
//   leaves the silent block alone.
// - Two identical channels: every frame holds its sample twice, its low 2, 3
//   or 4 bytes, least significant first.
// - 16-bit sines and sweeps are made at 32-bit scale and reduced with
//   triangular dither; the noises are made at their width.
//
// Each signal's samples come from the plain definitions beside this one.
// What one job leaves for the next is the pink noise's rows; every other
// signal, the dither included, starts afresh from the job's own values and
// seed time. This is what the tests hold the product's files to, byte for
// byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "pink_noise.h"

// The 16-bit reduction of the sines' samples, made at 32-bit scale: a
// sample's magnitude plus two draws of the dither's source, shifted down by
// 16, with its sign put back. Each frame takes four draws from state, two
// for each of the device's two channels; the file carries the first
// channel's (second may be null: its draws are taken all the same). The
// source starts at the job's seed time.
void plainDitherFrames(int32_t* first, int32_t* second, size_t count, uint32_t& state);

enum class PlainSignal { Sine, Sweep, PinkNoise, WhiteNoise };

// One job: its signal and values, the rate and width of its file, the seed
// time it started at, and whether its file can be created.
struct PlainJob {
    PlainSignal signal = PlainSignal::Sine;
    double frequency = 0.0;     // a sine's, or where a sweep starts
    double endFrequency = 0.0;  // where a sweep ends
    double duration = 0.0;
    uint32_t attenuation = 0;
    int32_t bits = 16;
    uint32_t rate = 44100;
    uint32_t seedTime = 0;
    bool opens = true;
};

// The files of the jobs one process runs one after the other (from the
// engine's creation to its shutdown), each job's values within the request
// limits.
class PlainFiles {
public:
    // The bytes of the job's file; empty when the file cannot be created,
    // which leaves nothing for the jobs after it.
    std::vector<unsigned char> next(const PlainJob& job);

private:
    PinkNoiseSource pink_;  // rows, sum and counter carry from job to job
};
