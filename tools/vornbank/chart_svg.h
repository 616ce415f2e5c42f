// The SVG text of a chart: one panel per series in a grid, each with its
// name, value and date axes, uncertainty bands, the forecast rule and the lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

// Width of the plotting area of every panel, in SVG units; date ticks are chosen for it.
inline constexpr double kChartPlotWidth = 352;
// Room one date label needs: a year, and a date with its period.
inline constexpr double kYearLabelWidth = 44;
inline constexpr double kPeriodLabelWidth = 66;

// A shaded band between two edges, NaN where it is not drawn.
struct ChartBand {
    std::string cls;     // the polygons' class: band1, band2 (sigma), fan1, fan2, ... (inner first)
    std::string colour;
    std::vector<double> low;
    std::vector<double> high;
};

// One series over the chart's periods; NaN marks a missing value.
struct ChartPanel {
    std::string name;
    double periodYears;         // length of one period
    std::vector<double> times;  // the middle of each period, in years
    std::vector<double> values;
    std::vector<double> compare;  // the compared bank's values, or empty
    std::vector<ChartBand> bands;  // drawn in this order (the outer ones first)
};

struct Chart {
    std::vector<ChartPanel> panels;
    int columns;
    double start;  // the chart's first and last moments, in years
    double end;
    double forecastFrom;  // the year where the forecast begins, NaN for none
    std::vector<std::pair<double, std::string>> dateLabels;  // year of the tick, its text
    std::string label;                                       // legend texts: the line,
    std::string compareLabel;                                // and the compared bank's line (or empty)
    std::vector<std::pair<std::string, std::string>> bandLegend;  // colour, text of each kind of band
    bool zeroLine;  // a rule at value 0, which the value axis then holds
};

std::string chartSvg(const Chart& chart);
