#pragma once
// IES TM-27 spectral data files (".spdx"): an XML document whose root is
// IESTM2714, in the 2014 or the 2020 namespace or in none, with a Header of
// text fields (Manufacturer, CatalogNumber, Description, …) and a
// SpectralDistribution: its SpectralQuantity, bandwidth, and one
// <SpectralData wavelength="…">value</SpectralData> per sample.
//
// Files from real labs are loose, and are read as they are: names are
// matched without their namespace or prefix, a boolean may be written
// "TRUE", a date "00/00/00" (dates are text here), a stylesheet
// processing instruction may come first, and the samples may come in any
// order and at any spacing. A document that is not well-formed XML is
// refused with its line and the reason. The XML is parsed by pugixml, which
// expands no external entity.
//
// Plain C++: no Qt.

#include "alpha_opic.h"
#include "spectrum.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace batch {

struct SpdxDocument {
    // The Header's fields in the file's order: the element's name (without
    // namespace prefix) and its text, blanks at either end trimmed.
    std::vector<std::pair<std::string, std::string>> header;
    // The SpectralDistribution's SpectralQuantity as written ("irradiance",
    // "flux", "relative", …); empty when the file gives none.
    std::string spectralQuantity;
    std::optional<double> bandwidthFwhm;     // nm
    std::optional<bool> bandwidthCorrected;
    // The samples, by wavelength. A wavelength given twice with the same
    // value is kept once; with two values, both are kept (the spectrum's
    // check then names it).
    colorimetry::Spectrum spectrum;
    // The first sample that could not be read (a wavelength or a value that
    // is no finite number), with its line, in Chinese; empty when none.
    // Such a sample is left out: the caller fails the spectrum with this.
    std::string sampleProblem;
    // What the reading passed over, one sentence a line, in Chinese
    // (a wavelength given twice).
    std::string notes;

    // The header field's text; null when the header has no such field.
    const std::string *Field(std::string_view name) const;
    bool operator==(const SpdxDocument &) const = default;
};

// What the document's values are: spectral irradiance (W·m⁻²·nm⁻¹) for
// the SpectralQuantity "irradiance", spectral flux (W/nm) for "flux", the
// units TM-27 gives them; relative for any other.
colorimetry::RadiometricUnit UnitOf(const SpdxDocument &document);

// The header fields a TM-27 document names, as its schema lists them.
inline constexpr std::string_view kSpdxHeaderFields[] = {
    "Manufacturer",   "CatalogNumber",        "Description", "DocumentCreator", "UniqueIdentifier",
    "MeasurementEquipment", "Laboratory", "ReportNumber",  "ReportDate",      "DocumentCreationDate",
    "Comments"};

// Whether the bytes begin like an XML document whose root is IESTM2714
// (after an optional byte-order mark, declaration, comments and processing
// instructions): how the reader tells a TM-27 file by its content.
bool LooksLikeSpdx(std::string_view bytes);

// Parses a document. On failure returns an empty document and sets error to
// the reason in Chinese, with the line ("第 12 行：…"): XML that is not
// well-formed, or a root that is not IESTM2714. error is emptied on success.
SpdxDocument ParseSpdx(std::string_view bytes, std::string &error);

// Writes a document as UTF-8 XML in the 2014 namespace: the header's fields
// (the caller names this program as DocumentCreator), the spectral
// quantity and bandwidth where given, and every sample, numbers in their
// shortest form that reads back as the same double. Text is escaped, a
// carriage return kept as one; a control character that XML cannot carry
// becomes U+FFFD. ParseSpdx gives back the same document (for text as
// ParseSpdx gives it: no blanks at either end).
std::string WriteSpdx(const SpdxDocument &document);

} // namespace batch
