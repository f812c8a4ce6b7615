#pragma once
// Spectral files in the CGATS (IT8) text format, as colour tools write them
// (colord-data's illuminant/*.sp and ref/CIE-TCS.sp, Argyll's .sp and .ti3,
// instrument software's CGATS.17 exports):
//
//   SPECT                          a first line naming the kind of file
//   DESCRIPTOR "…"                 keywords, values quoted or not
//   SPECTRAL_START_NM 380.0        the bands, where the file gives them
//   SPECTRAL_END_NM   780.0
//   SPECTRAL_BANDS    81
//   NUMBER_OF_FIELDS  82
//   BEGIN_DATA_FORMAT
//   SAMPLE_ID SPEC_380 SPEC_385 …  the fields of each set
//   END_DATA_FORMAT
//   NUMBER_OF_SETS 2
//   BEGIN_DATA
//   A1 0.0187 0.0236 …             one set per line
//   END_DATA
//
// Spectral fields are those named SPEC_nnn, SPECTRAL_nnn, nmnnn, or any
// other name WavelengthInHeaderCell reads as a wavelength. Their
// wavelengths come from SPECTRAL_START_NM, SPECTRAL_END_NM and
// SPECTRAL_BANDS (evenly spaced) where the file gives those and their count
// matches the fields: some tools round the names ("SPEC_383" for 383.33 nm)
// or scale them. Otherwise from the names. Read whole, a file at a time;
// only the first table of a file is read. Plain C++: no Qt.

#include "spectrum.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace batch {

// True when the text starts like a CGATS file: its first line that is not
// blank or a comment is one word, and a line BEGIN_DATA_FORMAT or a keyword
// NUMBER_OF_FIELDS follows within the text given (the first few kilobytes
// of a file will do).
bool LooksLikeCgats(std::string_view head);

struct CgatsSpectralSet {
    std::string name;                     // SAMPLE_ID, else SAMPLE_NAME, else "第 N 组"
    std::vector<std::string> passThrough; // the other fields' values, as passThroughNames
    colorimetry::Spectrum spectrum;       // meaningful when error is empty
    std::string error;                    // a value that is not a number, in Chinese
    std::uint64_t line = 0;               // where its first value stands in the text, from 1
};

struct CgatsSpectra {
    // The keywords before the data (DESCRIPTOR, ORIGINATOR, CREATED, …),
    // quotes removed, in the file's order.
    std::vector<std::pair<std::string, std::string>> keywords;
    std::vector<std::string> passThroughNames; // the fields that are not spectral
    std::vector<CgatsSpectralSet> sets;
    // What makes the whole file unreadable as spectra, in Chinese (no data
    // format, no spectral field, a set cut short…); empty when it was read.
    std::string error;
};

CgatsSpectra ReadCgatsSpectra(std::string_view text);

} // namespace batch
