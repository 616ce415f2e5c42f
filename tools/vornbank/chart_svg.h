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

// One series over the chart's periods; NaN marks a missing value.
struct ChartPanel {
    std::string name;
    double periodYears;         // length of one period
    std::vector<double> times;  // the middle of each period, in years
    std::vector<double> values;
    std::vector<double> compare;  // the compared bank's values, or empty
    std::vector<double> sigma;    // standard deviations where a band is drawn, else NaN; or empty
};

struct Chart {
    std::vector<ChartPanel> panels;
    int columns;
    double start;  // the chart's first and last moments, in years
    double end;
    double forecastFrom;  // the year where the forecast begins, NaN for none
    std::vector<std::pair<double, std::string>> dateLabels;  // year of the tick, its text
    std::string label;                                       // legend texts when a bank is compared
    std::string compareLabel;
};

std::string chartSvg(const Chart& chart);
