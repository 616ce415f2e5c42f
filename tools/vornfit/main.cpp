// vornfit: estimates the model's three regressions from a bank's history,
// prints a regression table per equation (or one JSON document) and, when
// asked, writes the coefficient file and the fitted values and residuals.
// Everything is read and estimated before anything is printed or written, so
// a refusal leaves no file and no half of a report behind.
#include <algorithm>
#include <string>
#include <vector>

#include "base/exit.h"
#include "state/model_state.h"
#include "coefficients/coefficients.h"
#include "common/tool_kit.h"
#include "vornfit/vornfit.h"

namespace {

const char* const kHelp =
    "usage: vornfit BANK --from DATE --to DATE [--ar1] [--hac-lags L] [--json] [--residuals]\n"
    "               [--dim FILE] [--names FILE] [--out FILE]\n"
    "\n"
    "Estimates the model's three regressions (investment, inventory investment, imports) by\n"
    "ordinary least squares over the periods DATE to DATE of BANK, whose first 36 series are\n"
    "the model's series in model order, and prints one regression table per equation: per\n"
    "coefficient the estimate, standard error, t statistic, p-value, 95% interval and the\n"
    "Newey-West (HAC) standard error; per equation the fit, log-likelihood, AIC and BIC, the\n"
    "Breusch-Godfrey test with 4 lags and the Jarque-Bera test; for investment the sum of its\n"
    "output-change lags. Nothing is written unless --out or --residuals asks for it.\n"
    "\n"
    "  --from, --to DATE  the sample, in vorn's notation (1995.1) or as vornbank import\n"
    "                     reads dates (1995Q1, 1995-01, ...)\n"
    "  --ar1              estimate with AR(1) errors by iterated Cochrane-Orcutt instead;\n"
    "                     --out then writes their rho and, as SEE, the error's deviation\n"
    "  --hac-lags L       lags of the HAC standard errors (default floor(4 (n/100)^(2/9)))\n"
    "  --json             one JSON document on the standard output instead of the tables\n"
    "  --residuals        write NAME:fitted and NAME:resid into BANK for each dependent\n"
    "                     series NAME, over the sample\n"
    "  --dim FILE         the dimension file (default heart.dim)\n"
    "  --names FILE       an existing coefficient file whose equation names are kept\n"
    "                     (default names eq0, eq1, eq2)\n"
    "  --out FILE         write the coefficients, and for every equation of kind s in the\n"
    "                     dimension file also rho, SEE and the draw matrix, to FILE in\n"
    "                     heart.dat's layout (--out heart.dat replaces the working one)\n";

constexpr int kModelSeries = 36;

void usage(const char* message) { usageFail("", "%s", message); }

// Reads the dimension file and checks that it describes the model's regressions.
void readDimensions(const std::string& path) {
    readWithOneLine([&] { model.equationCount = readEquationDimensions(path.c_str()); }, path, nullptr);
    if (model.equationCount != kRegressionCount)
        fail("%s describes %d equations, but the model has %d regressions", path.c_str(), model.equationCount,
             kRegressionCount);
    for (int e = 0; e < kRegressionCount; ++e) {
        const int used = static_cast<int>(kRegressions[e].terms.size());
        if (model.coefCount[e] != used)
            fail("equation %d of the model has %d coefficients, but %s gives it %d", e + 1, used, path.c_str(),
                 model.coefCount[e]);
    }
}

// The frequency of the series the regressions read, which must all have one.
int16_t regressionFrequency(const std::vector<int16_t>& frequencies) {
    const int first = kRegressions[0].dependent;
    const int16_t frequency = frequencies[static_cast<size_t>(first)];
    if (!knownFrequency(frequency))
        fail("series %d (%s) has the frequency code %d, which has no dates", first, seriesName(first), frequency);
    for (const Regression& regression : kRegressions) {
        std::vector<int> read{regression.dependent};
        for (const RegressionTerm& term : regression.terms)
            if (term.series != kConstantTerm) read.push_back(term.series);
        for (int n : read) {
            const int16_t own = frequencies[static_cast<size_t>(n)];
            if (own != frequency)
                fail("series %d (%s) has the frequency code %d, but series %d (%s) has %d; the regressions "
                     "need one frequency",
                     n, seriesName(n), own, first, seriesName(first), frequency);
        }
    }
    return frequency;
}

// The model's series of the bank, and the frequency of those the regressions read.
ModelHistory readHistory(const std::string& bank, int16_t& frequency) {
    if (model.nameCount < kModelSeries)
        fail("%s holds %d series, but the model reads series 0 to %d", bank.c_str(), model.nameCount,
             kModelSeries - 1);
    ModelHistory history(kModelSeries);
    std::vector<int16_t> frequencies(kModelSeries);
    for (int n = 0; n < kModelSeries; ++n) {
        history[static_cast<size_t>(n)] = makeValueTable();
        if (bankFailed(readSeriesAt(n, history[static_cast<size_t>(n)])))
            fail("cannot read series %d (%s) from %s", n, seriesName(n), bank.c_str());
        frequencies[static_cast<size_t>(n)] = model.frequency;
    }
    frequency = regressionFrequency(frequencies);
    return history;
}

int32_t samplePeriod(const char* option, const std::string& text, int16_t frequency) {
    PeriodDate date;
    std::string problem;
    if (!parseDateNotation(bankCalendar(), text, frequency, date, problem))
        fail("--%s %s %s; accepted: %s", option, text.c_str(), problem.c_str(), kDateNotations);
    if (date.index < 0 || date.index >= model.bankLength)
        fail("--%s %s lies outside the bank, which holds %s to %s", option, text.c_str(),
             periodText(bankCalendar(), 0, frequency).c_str(),
             periodText(bankCalendar(), model.bankLength - 1, frequency).c_str());
    return date.index;
}

Sample readSample(const std::string& fromText, const std::string& toText, int16_t frequency) {
    Sample sample{samplePeriod("from", fromText, frequency), samplePeriod("to", toText, frequency), frequency};
    if (sample.from > sample.to) fail("--from %s comes after --to %s", fromText.c_str(), toText.c_str());
    return sample;
}

int runFit(const std::vector<std::string>& args) {
    VerbArgs parsed =
        parseVerbArgs("", args, {"from", "to", "dim", "names", "out", "hac-lags"}, {"ar1", "json", "residuals"}, kHelp);
    if (parsed.words.size() != 1) usage("one BANK is needed");
    if (!parsed.options.count("from") || !parsed.options.count("to")) usage("--from and --to are needed");
    auto option = [&](const char* name, const char* fallback) {
        return parsed.options.count(name) ? parsed.options[name] : std::string(fallback);
    };
    const Method method = parsed.options.count("ar1") ? Method::ar1 : Method::leastSquares;
    const bool residuals = parsed.options.count("residuals") > 0;

    readDimensions(option("dim", "heart.dim"));
    const std::vector<std::string> names = equationNames(option("names", ""));
    const std::string bank = bankBase(parsed.words[0]);
    const std::string out = option("out", "");
    if (!out.empty()) refuseBankOutput("out", out, {bank});
    openToolBank(bank, residuals);
    int16_t frequency = 0;
    const ModelHistory history = readHistory(bank, frequency);
    const Sample sample = readSample(parsed.options["from"], parsed.options["to"], frequency);

    const auto hacLags = parsed.options.find("hac-lags");
    std::vector<EstimatedEquation> equations;
    for (int e = 0; e < kRegressionCount; ++e)
        equations.push_back(estimateEquation(e, names[static_cast<size_t>(e)], history, sample, method,
                                             hacLags == parsed.options.end() ? nullptr : &hacLags->second));

    // The coefficient file replaces the old one only once the whole report could be written.
    StagedFile staged;
    if (!out.empty()) stageEstimates(out, equations, staged);
    if (residuals) writeResidualSeries(equations, sample, bank);
    if (parsed.options.count("json")) {
        printJson(equations);
    } else {
        for (const EstimatedEquation& equation : equations) printRegressionTable(equation, sample);
        if (residuals)
            std::fprintf(toolOut, "Wrote the fitted values and residuals of %d equations into %s.\n",
                         kRegressionCount, bank.c_str());
    }
    checkToolOutput();
    if (out.empty()) return kExitNormal;
    requireWritten(commitStagedFile(staged));
    if (!parsed.options.count("json"))
        std::fprintf(toolOut, "Wrote %d equations to %s.\n", kRegressionCount, out.c_str());
    return kExitNormal;
}

}  // namespace

int main(int argc, char** argv) {
    toolName = "vornfit";
    return runToolCommand(std::vector<std::string>(argv + 1, argv + argc), runFit);
}
