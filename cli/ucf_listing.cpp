#include "cli/ucf_listing.h"

#include <cstdio>

#include "cli/message_lines.h"
#include "cli/option_values.h"
#include "conversion/core/init_attribute.h"
#include "conversion/core/memory_layout.h"
#include "conversion/run/conversion_run.h"
#include "conversion/run/ucf_reading.h"
#include "platform/file_access.h"

namespace {

// Differing instances named one by one, the rest counted.
constexpr std::size_t kNamedExceptions = 3;

std::string SpanText(bool parity, const AttributeSpan& span) {
    if (span.lowest == span.highest) return AttributeName(parity, span.lowest);
    return AttributeName(parity, span.lowest) + ".." + AttributeName(parity, span.highest);
}

// "INIT_00..INIT_3F, INITP_00..INITP_07".
std::string LinesText(const InstanceLines& instance) {
    std::string text;
    if (instance.init.Any()) text = SpanText(false, instance.init);
    if (instance.initp.Any()) text += (text.empty() ? "" : ", ") + SpanText(true, instance.initp);
    return text;
}

const char* QuotingName(NameQuoting quoting) {
    switch (quoting) {
        case NameQuoting::Quoted:
            return "quoted";
        case NameQuoting::Mixed:
            return "mixed";
        case NameQuoting::Plain:
            break;
    }
    return "plain";
}

// A JSON string: quotes, backslashes and control characters escaped, and bytes past ASCII
// read as Latin-1, so that any name makes valid JSON.
std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(byte));
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

// Appended piece by piece: GCC 12 at -O3 takes "literal" + a string for an overlapping copy.
void AppendJsonSpan(std::string& json, bool parity, const AttributeSpan& span) {
    if (!span.Any()) {
        json += "null";
        return;
    }
    json.append("{\"first\":").append(JsonString(AttributeName(parity, span.lowest)));
    json.append(",\"last\":").append(JsonString(AttributeName(parity, span.highest)));
    json.append(",\"count\":").append(std::to_string(span.count)).append("}");
}

void PrintLine(std::FILE* stream, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
}

}  // namespace

std::string BramSizesText(const std::vector<std::uint32_t>& sizes) {
    if (sizes.empty()) return "no --bram fits";
    std::string text = "--bram";
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        text += i == 0 ? " " : i + 1 == sizes.size() ? " or " : ", ";
        text += BlockRamSizeName(sizes[i]);
    }
    return text;
}

std::string ListingLine(const InitChain& chain) {
    std::string line = chain.component + ": " + SynthesizerOptionName(chain.synthesizer) + ", ";
    const std::vector<InstanceLines>& instances = chain.instances;
    if (instances.empty()) return line + "no INIT_xx or INITP_xx lines";
    const std::string common = LinesText(instances.front());
    if (instances.size() == 1) {
        line += "1 instance (" + instances.front().name + "), " + common;
    } else {
        line += std::to_string(instances.size()) + " instances (" + instances.front().name +
                " .. " + instances.back().name + "), " + common + " each";
        std::size_t differing = 0;
        for (const InstanceLines& instance : instances) {
            const std::string lines = LinesText(instance);
            if (lines == common) continue;
            if (differing < kNamedExceptions)
                line += (differing == 0 ? " but " : ", ") + instance.name + " " + lines;
            ++differing;
        }
        if (differing > kNamedExceptions)
            line += " and " + std::to_string(differing - kNamedExceptions) + " more";
    }
    line += "; " + BramSizesText(chain.FittingSizes()) + "; " +
            (chain.HasParity() ? "parity (--width 9, 18 or 36)" : "no parity");
    if (chain.Quoting() == NameQuoting::Quoted) line += "; names quoted";
    if (chain.Quoting() == NameQuoting::Mixed) line += "; names quoted and plain";
    return line;
}

std::string ListingJson(const std::vector<InitChain>& chains) {
    std::string json = "[";
    for (std::size_t i = 0; i < chains.size(); ++i) {
        const InitChain& chain = chains[i];
        json += i == 0 ? "\n" : ",\n";
        json.append("{\"component\":").append(JsonString(chain.component));
        json.append(",\"synthesizer\":")
            .append(JsonString(SynthesizerOptionName(chain.synthesizer)));
        json.append(",\"quoting\":").append(JsonString(QuotingName(chain.Quoting())));
        json += ",\"bram\":[";
        const std::vector<std::uint32_t> sizes = chain.FittingSizes();
        for (std::size_t s = 0; s < sizes.size(); ++s) {
            if (s > 0) json += ',';
            json += JsonString(BlockRamSizeName(sizes[s]));
        }
        json.append("],\"parity\":").append(chain.HasParity() ? "true" : "false");
        json += ",\"instances\":[";
        for (std::size_t k = 0; k < chain.instances.size(); ++k) {
            const InstanceLines& instance = chain.instances[k];
            if (k > 0) json += ',';
            json.append("{\"name\":").append(JsonString(instance.name));
            json.append(",\"number\":").append(std::to_string(instance.number));
            json.append(",\"lines\":").append(std::to_string(instance.lines));
            json += ",\"init\":";
            AppendJsonSpan(json, false, instance.init);
            json += ",\"initp\":";
            AppendJsonSpan(json, true, instance.initp);
            json += '}';
        }
        json += "]}";
    }
    json += chains.empty() ? "]" : "\n]";
    return json;
}

int ListUcf(const CommandLine& commandLine, std::FILE* out, std::FILE* err) {
    const std::string& path = commandLine.request.ucfFile;
    const auto fail = [&](const std::string& reason) {
        PrintLine(err, FileMessageLine(kUcfReadLabel, path, reason));
        return kExitRunFailed;
    };
    // A UCF that is not there holds nothing to list: most likely a mistyped name.
    {
        File file;
        if (!file.Open(path, FileOpening::ReadShared)) return fail(SystemErrorText(file.Error()));
    }
    std::string text;
    if (const RunFailure failure = ReadUcfUnchanged(path, commandLine.options.lockWait, text))
        return fail(FailureReason(failure));
    const auto synthesizer = static_cast<SynthesizerKind>(commandLine.request.synthesizer);
    const std::vector<InitChain> chains =
        commandLine.request.component.empty()
            ? FindInitChains(text)
            : InitChainsOf(text, ComponentsOf(commandLine.request, commandLine.options),
                           synthesizer);
    if (commandLine.listJson) {
        PrintLine(out, ListingJson(chains));
    } else {
        for (const InitChain& chain : chains) PrintLine(out, ListingLine(chain));
    }
    std::fflush(out);
    return kExitConverted;
}
