#include "state_file.h"

#include "text_io.h"

namespace speech {
namespace {

void AppendLine(std::string& out, const std::vector<double>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            out += ' ';
        }
        AppendNumber(out, values[i]);
    }
    out += '\n';
}

}  // namespace

std::string FormatNumberLine(const std::vector<double>& values) {
    std::string line;
    AppendLine(line, values);
    return line;
}

std::string FormatStateFile(const std::vector<double>& modelVector,
                            const std::vector<ModelParameters>& models) {
    std::string text;
    AppendLine(text, modelVector);
    const std::size_t dims = models.empty() ? 0 : models.front().states.front().mean.size();
    text += "models ";
    AppendNumber(text, models.size());
    text += " features ";
    AppendNumber(text, dims);
    text += '\n';
    for (const ModelParameters& model : models) {
        text += "model " + model.name + " states ";
        AppendNumber(text, model.topology.states);
        text += "\ntransitions\n";
        for (std::size_t from = 0; from < model.topology.states; ++from) {
            const auto row = model.topology.transitions.begin() +
                             static_cast<std::ptrdiff_t>(from * (model.topology.states + 1));
            AppendLine(text, std::vector<double>(row, row + static_cast<std::ptrdiff_t>(
                                                                model.topology.states + 1)));
        }
        for (std::size_t state = 0; state < model.states.size(); ++state) {
            text += "state ";
            AppendNumber(text, state);
            text += " frames ";
            AppendNumber(text, model.states[state].frames);
            text += "\nmean ";
            AppendLine(text, model.states[state].mean);
            text += "variance ";
            AppendLine(text, model.states[state].variance);
        }
    }
    return text;
}

}  // namespace speech
