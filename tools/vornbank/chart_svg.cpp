// Writes a chart as one self-contained SVG document. Bands are drawn first,
// then the forecast rule and the lines, so that the lines stay on top.
#include "chart_svg.h"

#include <algorithm>
#include <cmath>

#include "chart_scale.h"
#include "common/tool_kit.h"

namespace {

constexpr double kPanelWidth = 440;
constexpr double kPanelHeight = 270;
constexpr double kPlotLeft = 72;
constexpr double kPlotTop = 34;
constexpr double kPlotHeight = 206;
constexpr double kLegendRowHeight = 20;  // the legend's rows, and 10 units below them
constexpr double kCharWidth = 6.5;  // a rough width of one character at font size 11
constexpr int kMaxValueSteps = 5;

const char* const kLineColour = "#1f4e9a";
const char* const kCompareColour = "#e66101";
const char* const kForecastDashes = "6,4";

bool validUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (extra == 9 || i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        i += extra + 1;
    }
    return true;
}

// Text as XML character data; bytes that are not UTF-8 are read as Latin-1,
// control characters become '?'.
std::string xmlText(const std::string& text) {
    bool utf8 = validUtf8(text);
    std::string out;
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (ch == '&')
            out += "&amp;";
        else if (ch == '<')
            out += "&lt;";
        else if (ch == '>')
            out += "&gt;";
        else if (ch == '"')
            out += "&quot;";
        else if (c < 0x20)
            out += '?';
        else if (c >= 0x80 && !utf8)
            appendf(out, "&#x%X;", c);
        else
            out += ch;
    }
    return out;
}

double textWidth(const std::string& text) {
    return kCharWidth * static_cast<double>(text.size());
}

// The panel's mapping from years and values to its own coordinates.
struct PanelFrame {
    double start, end;
    ValueAxis axis;
    double x(double year) const {
        return mapLinear(year, start, end, kPlotLeft, kPlotLeft + kChartPlotWidth);
    }
    double y(double value) const {
        return mapLinear(value, axis.low, axis.high, kPlotTop + kPlotHeight, kPlotTop);
    }
};

// The value axis covers both lines, every band and the zero line.
ValueAxis panelAxis(const Chart& chart, const ChartPanel& panel) {
    double low = INFINITY;
    double high = -INFINITY;
    auto cover = [&](double value) {
        if (!std::isfinite(value)) return;
        low = std::min(low, value);
        high = std::max(high, value);
    };
    for (size_t i = 0; i < panel.times.size(); ++i) {
        cover(panel.values[i]);
        if (!panel.compare.empty()) cover(panel.compare[i]);
        for (const ChartBand& band : panel.bands)
            if (std::isfinite(band.low[i]) && std::isfinite(band.high[i])) {
                cover(band.low[i]);
                cover(band.high[i]);
            }
    }
    if (!std::isfinite(low)) low = high = 0;
    if (chart.zeroLine) {
        // Room on the far side of the zero line, so that it stands clear of the frame.
        const double margin = 0.05 * std::max(std::fabs(low), std::fabs(high));
        cover(low >= 0 ? -margin : 0);
        cover(high <= 0 ? margin : 0);
    }
    return valueAxis(low, high, kMaxValueSteps);
}

void appendPoint(std::string& out, double x, double y) {
    appendf(out, "%s%.2f,%.2f", out.empty() ? "" : " ", x, y);
}

// A line as polylines: broken where a value is missing, and dashed from the
// last point before the forecast begins.
void appendLine(std::string& out, const PanelFrame& frame, const ChartPanel& panel,
                const std::vector<double>& values, const char* kind, const char* colour, double width,
                double forecastFrom) {
    auto flush = [&](std::string& points, bool forecast) {
        if (points.empty()) return;
        appendf(out, "<polyline class=\"%s %s\" fill=\"none\" stroke=\"%s\" stroke-width=\"%.1f\"", kind,
                forecast ? "forecast" : "history", colour, width);
        if (forecast) appendf(out, " stroke-dasharray=\"%s\"", kForecastDashes);
        out += " stroke-linejoin=\"round\" points=\"" + points + "\"/>\n";
        points.clear();
    };
    std::string points;
    bool forecast = false;
    for (size_t i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values[i])) {
            flush(points, forecast);
            continue;
        }
        double x = frame.x(panel.times[i]);
        double y = frame.y(values[i]);
        if (!forecast && panel.times[i] >= forecastFrom) {
            bool joined = !points.empty();
            flush(points, false);
            forecast = true;
            if (joined) appendPoint(points, frame.x(panel.times[i - 1]), frame.y(values[i - 1]));
        }
        appendPoint(points, x, y);
    }
    flush(points, forecast);
}

// A band as one polygon per run of periods where it has both edges; a run of
// one period is drawn a little wide so that it shows.
void appendBand(std::string& out, const PanelFrame& frame, const ChartPanel& panel, const ChartBand& band) {
    struct Edge {
        double time, low, high;
    };
    size_t i = 0;
    while (i < panel.times.size()) {
        std::vector<Edge> run;
        for (; i < panel.times.size() && std::isfinite(band.low[i]) && std::isfinite(band.high[i]); ++i)
            run.push_back({panel.times[i], band.low[i], band.high[i]});
        if (run.empty()) {
            ++i;
            continue;
        }
        if (run.size() == 1) {
            Edge only = run[0];
            run = {{only.time - 0.3 * panel.periodYears, only.low, only.high},
                   {only.time + 0.3 * panel.periodYears, only.low, only.high}};
        }
        std::string points;
        for (const Edge& e : run) appendPoint(points, frame.x(e.time), frame.y(e.high));
        for (auto e = run.rbegin(); e != run.rend(); ++e) appendPoint(points, frame.x(e->time), frame.y(e->low));
        appendf(out, "<polygon class=\"%s\" fill=\"%s\" stroke=\"none\" points=\"", band.cls.c_str(),
                band.colour.c_str());
        out += points + "\"/>\n";
    }
}

std::string tickText(double value, int decimals) {
    std::string result = formatted("%.*f", decimals, value);
    if (result.find_first_not_of("-0.") == std::string::npos && result[0] == '-') result.erase(0, 1);
    return result;
}

void appendPanel(std::string& out, const Chart& chart, const ChartPanel& panel, double left, double top) {
    PanelFrame frame{chart.start, chart.end, panelAxis(chart, panel)};
    double plotRight = kPlotLeft + kChartPlotWidth;
    double plotBottom = kPlotTop + kPlotHeight;
    appendf(out, "<g class=\"panel\" transform=\"translate(%.0f,%.0f)\">\n", left, top);
    appendf(out,
            "<text class=\"name\" x=\"%.0f\" y=\"%.0f\" font-size=\"13\" font-weight=\"bold\">%s</text>\n",
            kPlotLeft, kPlotTop - 12, xmlText(panel.name).c_str());
    appendf(out,
            "<rect x=\"%.0f\" y=\"%.0f\" width=\"%.0f\" height=\"%.0f\" fill=\"white\" stroke=\"#888\"/>\n",
            kPlotLeft, kPlotTop, kChartPlotWidth, kPlotHeight);
    for (double tick : frame.axis.ticks)
        appendf(out,
                "<line class=\"grid\" x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"#e4e4e4\"/>\n",
                kPlotLeft, frame.y(tick), plotRight, frame.y(tick));
    for (const auto& [year, text] : chart.dateLabels)
        appendf(out,
                "<line class=\"grid\" x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"#e4e4e4\"/>\n",
                frame.x(year), kPlotTop, frame.x(year), plotBottom);
    for (const ChartBand& band : panel.bands) appendBand(out, frame, panel, band);
    if (chart.zeroLine)
        appendf(out,
                "<line class=\"zero\" x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"#222\" "
                "stroke-width=\"1\"/>\n",
                kPlotLeft, frame.y(0), plotRight, frame.y(0));
    if (std::isfinite(chart.forecastFrom))
        appendf(out,
                "<line class=\"forecast-rule\" x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" "
                "stroke=\"#555\"/>\n",
                frame.x(chart.forecastFrom), kPlotTop, frame.x(chart.forecastFrom), plotBottom);
    if (!panel.compare.empty())
        appendLine(out, frame, panel, panel.compare, "compare", kCompareColour, 1.5, chart.forecastFrom);
    appendLine(out, frame, panel, panel.values, "series", kLineColour, 2, chart.forecastFrom);
    for (double tick : frame.axis.ticks)
        appendf(out,
                "<text class=\"value-tick\" x=\"%.0f\" y=\"%.2f\" text-anchor=\"end\" "
                "dominant-baseline=\"middle\">%s</text>\n",
                kPlotLeft - 6, frame.y(tick), tickText(tick, frame.axis.decimals).c_str());
    for (const auto& [year, text] : chart.dateLabels) {
        // A label that would reach past the panel's edge is left out; its grid line stays.
        if (frame.x(year) + textWidth(text) / 2 > kPanelWidth) continue;
        appendf(out, "<text class=\"date-tick\" x=\"%.2f\" y=\"%.0f\" text-anchor=\"middle\">%s</text>\n",
                frame.x(year), plotBottom + 16, xmlText(text).c_str());
    }
    out += "</g>\n";
}

// One legend entry: a short line (or a swatch for a band) and its text.
// Where the next legend entry goes; entries that would reach past the chart's
// width start a new row.
struct LegendPen {
    double x;
    double y;
    double width;
};

void appendLegendEntry(std::string& out, LegendPen& pen, const std::string& attributes, bool swatch,
                       const std::string& text) {
    const double entryWidth = 30 + textWidth(text);
    if (pen.x > kPlotLeft && pen.x + entryWidth > pen.width - 8) {
        pen.x = kPlotLeft;
        pen.y += kLegendRowHeight;
    }
    if (swatch)
        appendf(out, "<rect x=\"%.1f\" y=\"%.0f\" width=\"24\" height=\"10\" %s/>\n", pen.x, pen.y - 5,
                attributes.c_str());
    else
        appendf(out, "<line x1=\"%.1f\" y1=\"%.0f\" x2=\"%.1f\" y2=\"%.0f\" %s/>\n", pen.x, pen.y, pen.x + 24,
                pen.y, attributes.c_str());
    appendf(out, "<text x=\"%.1f\" y=\"%.0f\" dominant-baseline=\"middle\">%s</text>\n", pen.x + 30, pen.y,
            xmlText(text).c_str());
    pen.x += entryWidth + 20;
}

// The legend says which line is which bank, which style is the forecast and
// what the bands are; a chart with none of these has none.
// Returns the legend's height.
double appendLegend(std::string& out, const Chart& chart, double width) {
    LegendPen x{kPlotLeft, 15, width};
    out += "<g class=\"legend\">\n";
    char stroke[96];
    if (!chart.label.empty()) {
        std::snprintf(stroke, sizeof stroke, "stroke=\"%s\" stroke-width=\"2\"", kLineColour);
        appendLegendEntry(out, x, stroke, false, chart.label);
    }
    if (!chart.compareLabel.empty()) {
        std::snprintf(stroke, sizeof stroke, "stroke=\"%s\" stroke-width=\"1.5\"", kCompareColour);
        appendLegendEntry(out, x, stroke, false, chart.compareLabel);
    }
    if (std::isfinite(chart.forecastFrom)) {
        appendLegendEntry(out, x, "stroke=\"#555\" stroke-width=\"2\"", false, "history");
        appendLegendEntry(
            out, x,
            std::string("stroke=\"#555\" stroke-width=\"2\" stroke-dasharray=\"") + kForecastDashes + "\"",
            false, "forecast");
    }
    for (const auto& [colour, text] : chart.bandLegend)
        appendLegendEntry(out, x, "fill=\"" + colour + "\"", true, text);
    out += "</g>\n";
    return x.y + 15;
}

}  // namespace

std::string chartSvg(const Chart& chart) {
    bool legend = !chart.bandLegend.empty() || !chart.label.empty() || std::isfinite(chart.forecastFrom);
    size_t columns = static_cast<size_t>(chart.columns);
    size_t rows = (chart.panels.size() + columns - 1) / columns;
    double width = kPanelWidth * static_cast<double>(columns);
    std::string legendText;
    double legendHeight = legend ? appendLegend(legendText, chart, width) : 0;
    double height = legendHeight + kPanelHeight * static_cast<double>(rows);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    appendf(
        out,
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" "
        "font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"11\" fill=\"#222\">\n",
        width, height, width, height);
    appendf(out, "<rect width=\"%.0f\" height=\"%.0f\" fill=\"white\"/>\n", width, height);
    out += legendText;
    for (size_t k = 0; k < chart.panels.size(); ++k)
        appendPanel(out, chart, chart.panels[k], kPanelWidth * static_cast<double>(k % columns),
                    legendHeight + kPanelHeight * static_cast<double>(k / columns));
    out += "</svg>\n";
    return out;
}
