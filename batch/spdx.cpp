// IES TM-27 spectral data files, read and written through pugixml.

#include "spdx.h"

#include "failures.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace batch {

namespace {

constexpr std::string_view kNamespace2014 = "http://www.ies.org/iestm2714";

bool SameLetters(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char p, char q) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(p) == lower(q);
           });
}

// A name without its namespace prefix: "tm:Header" -> "Header".
std::string_view LocalName(const char *name)
{
    const std::string_view n(name);
    const std::size_t colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

bool Named(const pugi::xml_node &node, std::string_view name)
{
    return node.type() == pugi::node_element && SameLetters(LocalName(node.name()), name);
}

pugi::xml_node Child(const pugi::xml_node &parent, std::string_view name)
{
    for (const pugi::xml_node child : parent.children()) {
        if (Named(child, name))
            return child;
    }
    return {};
}

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// All the text of an element (its text and CDATA children), trimmed.
std::string TextOf(const pugi::xml_node &node)
{
    std::string text;
    for (const pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
    }
    return std::string(Trimmed(text));
}

// A number as XML writes one: an optional sign, decimals, an exponent; no
// infinity, no NaN.
std::optional<double> NumberOf(std::string_view text)
{
    text = Trimmed(text);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> BooleanOf(std::string_view text)
{
    text = Trimmed(text);
    if (SameLetters(text, "true") || text == "1")
        return true;
    if (SameLetters(text, "false") || text == "0")
        return false;
    return std::nullopt;
}

// The line (from 1) of a byte offset.
std::uint64_t LineAt(std::string_view bytes, std::ptrdiff_t offset)
{
    if (offset < 0)
        return 0;
    const std::size_t end = std::min(bytes.size(), std::size_t(offset));
    return 1 + std::uint64_t(std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(end), '\n'));
}

std::string Line(std::string_view bytes, std::ptrdiff_t offset)
{
    return "第 " + std::to_string(LineAt(bytes, offset)) + " 行：";
}

std::string Quoted(std::string_view text)
{
    return "“" + entry_rules::QuotableText(text, 40) + "”";
}

// What is wrong with the XML, in the user's words.
std::string ParseStatusText(pugi::xml_parse_status status)
{
    switch (status) {
    case pugi::status_ok: return {};
    case pugi::status_no_document_element: return "文件里没有 XML 元素";
    case pugi::status_end_element_mismatch: return "结束标签与开始标签不配对，或标签没有结束";
    case pugi::status_bad_start_element: return "开始标签写错了";
    case pugi::status_bad_end_element: return "结束标签写错了";
    case pugi::status_bad_attribute: return "属性写错了（属性值要加引号）";
    case pugi::status_unrecognized_tag: return "无法识别的标签";
    case pugi::status_bad_pi: return "处理指令（<?…?>）写错了";
    case pugi::status_bad_comment: return "注释（<!--…-->）写错了";
    case pugi::status_bad_cdata: return "CDATA 段写错了";
    case pugi::status_bad_doctype: return "文档类型声明写错了";
    case pugi::status_bad_pcdata: return "文本写错了";
    default: return "读不出来";
    }
}

struct Sample {
    double nm;
    double value;
};

} // namespace

const std::string *SpdxDocument::Field(std::string_view name) const
{
    for (const auto &[key, text] : header) {
        if (key == name)
            return &text;
    }
    return nullptr;
}

colorimetry::RadiometricUnit UnitOf(const SpdxDocument &document)
{
    using colorimetry::RadiometricQuantity;
    const std::string_view quantity = Trimmed(document.spectralQuantity);
    if (SameLetters(quantity, "irradiance"))
        return {RadiometricQuantity::Irradiance, 1};
    if (SameLetters(quantity, "flux"))
        return {RadiometricQuantity::Flux, 1};
    return {};
}

bool LooksLikeSpdx(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    while (true) {
        const std::size_t start = bytes.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos)
            return false;
        bytes.remove_prefix(start);
        std::string_view close;
        if (bytes.starts_with("<?"))
            close = "?>";
        else if (bytes.starts_with("<!--"))
            close = "-->";
        else if (bytes.starts_with("<!"))
            close = ">";
        else
            break;
        const std::size_t end = bytes.find(close);
        if (end == std::string_view::npos)
            return false;
        bytes.remove_prefix(end + close.size());
    }
    if (!bytes.starts_with('<'))
        return false;
    const std::size_t end = bytes.find_first_of(" \t\r\n/>", 1);
    const std::string name(bytes.substr(1, end == std::string_view::npos ? bytes.size() - 1 : end - 1));
    return SameLetters(LocalName(name.c_str()), "IESTM2714");
}

SpdxDocument ParseSpdx(std::string_view bytes, std::string &error)
{
    error.clear();
    pugi::xml_document xml;
    // As a fragment, so that text outside the root is kept and can be refused.
    const pugi::xml_parse_result result =
        xml.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_fragment);
    if (!result) {
        error = Line(bytes, result.offset) + "不是格式正确的 XML：" + ParseStatusText(result.status) + "（"
                + result.description() + "）。";
        return {};
    }
    // Exactly one root element, and no text beside it.
    pugi::xml_node root;
    for (const pugi::xml_node node : xml.children()) {
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
            error = Line(bytes, node.offset_debug()) + "不是格式正确的 XML：根元素之外有文本 "
                    + Quoted(Trimmed(node.value())) + "。";
            return {};
        }
        if (node.type() != pugi::node_element)
            continue;
        if (root) {
            error = Line(bytes, node.offset_debug()) + "不是格式正确的 XML：有第二个根元素 <"
                    + entry_rules::QuotableText(node.name(), 40) + ">。";
            return {};
        }
        root = node;
    }
    if (!root) {
        error = Line(bytes, 0) + "不是格式正确的 XML：" + ParseStatusText(pugi::status_no_document_element) + "。";
        return {};
    }
    if (!Named(root, "IESTM2714")) {
        error = Line(bytes, root.offset_debug()) + "根元素是 <" + entry_rules::QuotableText(root.name(), 40)
                + ">，不是 IESTM2714：这不是 IES TM-27 光谱文件。";
        return {};
    }

    SpdxDocument document;
    for (const pugi::xml_node field : Child(root, "Header").children()) {
        if (field.type() == pugi::node_element)
            document.header.emplace_back(LocalName(field.name()), TextOf(field));
    }

    std::vector<Sample> samples;
    const pugi::xml_node distribution = Child(root, "SpectralDistribution");
    // Thousands of samples: each element's name is looked at once, and a
    // sample's text (one piece, as it nearly always is) is not copied.
    for (const pugi::xml_node node : distribution.children()) {
        if (node.type() != pugi::node_element)
            continue;
        const std::string_view local = LocalName(node.name());
        if (SameLetters(local, "SpectralData")) {
            pugi::xml_attribute attribute;
            for (const pugi::xml_attribute a : node.attributes()) {
                if (SameLetters(LocalName(a.name()), "wavelength"))
                    attribute = a;
            }
            std::optional<double> nm;
            if (attribute)
                nm = NumberOf(attribute.value());
            const pugi::xml_node only = node.first_child();
            const bool plain = only && !only.next_sibling() && only.type() == pugi::node_pcdata;
            const std::string text = plain ? std::string() : TextOf(node);
            const std::optional<double> value = NumberOf(plain ? std::string_view(only.value()) : std::string_view(text));
            if (nm && value) {
                samples.push_back({*nm, *value});
                continue;
            }
            if (!document.sampleProblem.empty())
                continue;
            document.sampleProblem =
                Line(bytes, node.offset_debug())
                + (!attribute ? std::string("<SpectralData> 没有 wavelength 属性：每个值都要有它的波长。")
                   : !nm      ? "波长 " + Quoted(attribute.value()) + " 不是一个数。"
                              : "波长 " + colorimetry::WavelengthText(*nm) + " nm 的值 " + Quoted(TextOf(node))
                                    + " 不是一个数：光谱的值必须是十进制数（例如 0.0123）。");
        } else if (SameLetters(local, "SpectralQuantity")) {
            document.spectralQuantity = TextOf(node);
        } else if (SameLetters(local, "BandwidthFWHM")) {
            document.bandwidthFwhm = NumberOf(TextOf(node));
        } else if (SameLetters(local, "BandwidthCorrected")) {
            document.bandwidthCorrected = BooleanOf(TextOf(node));
        }
    }

    // By wavelength; a wavelength twice with one value once.
    std::stable_sort(samples.begin(), samples.end(), [](const Sample &a, const Sample &b) { return a.nm < b.nm; });
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const Sample &s = samples[i];
        if (i > 0 && s.nm == samples[i - 1].nm) {
            const bool same = s.value == samples[i - 1].value;
            document.notes += "波长 " + colorimetry::WavelengthText(s.nm) + " nm 出现了两次"
                              + (same ? "，值相同，只用一次。\n" : "，值不同。\n");
            if (same)
                continue;
        }
        document.spectrum.nm.push_back(s.nm);
        document.spectrum.value.push_back(s.value);
    }
    if (!document.notes.empty())
        document.notes.pop_back();
    return document;
}

namespace {

std::string Shortest(double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

// An element name XML accepts, made of the field's name.
std::string ElementName(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
        const bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
        out += letter || (other && !out.empty()) || (c & 0x80) ? c : '_';
    }
    return out.empty() ? "Field" : out;
}

// Text as XML 1.0 can carry it: a control character other than tab, line
// feed and carriage return (which no XML reader accepts, not even as a
// character reference) becomes U+FFFD.
std::string XmlText(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
            out += "\xEF\xBF\xBD";
        else
            out += c;
    }
    return out;
}

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void *data, std::size_t size) override { text.append(static_cast<const char *>(data), size); }
};

} // namespace

std::string WriteSpdx(const SpdxDocument &document)
{
    pugi::xml_document xml;
    pugi::xml_node declaration = xml.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = xml.append_child("IESTM2714");
    root.append_attribute("xmlns") = std::string(kNamespace2014).c_str();
    root.append_attribute("version") = "1.0";
    pugi::xml_node header = root.append_child("Header");
    for (const auto &[name, text] : document.header)
        header.append_child(ElementName(name).c_str()).text().set(XmlText(text).c_str());
    pugi::xml_node distribution = root.append_child("SpectralDistribution");
    if (!document.spectralQuantity.empty())
        distribution.append_child("SpectralQuantity").text().set(XmlText(document.spectralQuantity).c_str());
    if (document.bandwidthFwhm)
        distribution.append_child("BandwidthFWHM").text().set(Shortest(*document.bandwidthFwhm).c_str());
    if (document.bandwidthCorrected)
        distribution.append_child("BandwidthCorrected").text().set(*document.bandwidthCorrected ? "true" : "false");
    const colorimetry::Spectrum &s = document.spectrum;
    for (std::size_t i = 0; i < s.nm.size() && i < s.value.size(); ++i) {
        pugi::xml_node data = distribution.append_child("SpectralData");
        data.append_attribute("wavelength") = Shortest(s.nm[i]).c_str();
        data.text().set(Shortest(s.value[i]).c_str());
    }
    StringWriter writer;
    xml.save(writer, "  ", pugi::format_default, pugi::encoding_utf8);
    // A carriage return in a text stays one: a reader would take it, raw,
    // for part of a line end. The writer's own line ends are line feeds.
    std::string out;
    out.reserve(writer.text.size());
    for (const char c : writer.text)
        out += c == '\r' ? std::string("&#13;") : std::string(1, c);
    return out;
}

} // namespace batch
