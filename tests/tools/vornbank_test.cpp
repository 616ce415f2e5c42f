// vornbank end to end: making a bank, importing CSV, listing and exporting it,
// and refusing bad input without touching the bank's files.
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <regex>

#include "base/date_notation.h"
#include "stochastic/trials_file.h"
#include "state/model_state.h"
#include "support/bank_files.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

const std::string kMarker("\xBD\x37\x86\xB5", 4);

class Vornbank : public ModelTest {
protected:
    ProgramResult run(const std::vector<std::string>& args) {
        return runProgram(VORNBANK_BINARY, args, scratch.path());
    }
    // A quarterly bank of 40 periods from 1990.1.
    void create(const std::string& month = "1", const std::string& length = "40") {
        ProgramResult made = run({"create", "bws", "--base-year", "1990", "--base-month", month, "--length",
                                  length, "--title", "Test bank"});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    ProgramResult import(const std::string& csv) {
        writeFile(scratch.file("in.csv"), csv);
        return run({"import", "bws", "in.csv"});
    }
    std::string data() { return readFile(scratch.file("bws.bnk")); }
    std::string index() { return readFile(scratch.file("bws.ind")); }
    // The four bytes of record k at bank period p of a 40-period bank.
    std::string valueBytes(int k, int p) { return data().substr(bankValueOffset(k, p, 40), 4); }
    // A run that fails: its exit code, exactly this error text, nothing on the output.
    void expectFailure(const std::vector<std::string>& args, int code, const std::string& err) {
        ProgramResult result = run(args);
        EXPECT_EQ(result.exitCode, code);
        EXPECT_EQ(result.err, err);
        EXPECT_EQ(result.out, "");
    }
    // Bad input: exit 1, exactly this message, and both files as they were.
    void expectRefusal(const std::string& csv, const std::string& message) {
        std::string dataBefore = data();
        std::string indexBefore = index();
        ProgramResult result = import(csv);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "vornbank: " + message + "\n");
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(data(), dataBefore);
        EXPECT_EQ(index(), indexBefore);
    }
};

TEST_F(Vornbank, HelpForTheToolAndEveryVerb) {
    ProgramResult tool = run({"--help"});
    EXPECT_EQ(tool.exitCode, 0);
    EXPECT_EQ(tool.out.rfind("vornbank: makes and reads vorn's banks", 0), 0u);
    for (const char* verb : {"create", "import", "export", "list", "info", "lags", "workdir", "chart", "trials", "percentiles", "compare"}) {
        ProgramResult help = run({verb, "--help"});
        EXPECT_EQ(help.exitCode, 0) << verb;
        EXPECT_EQ(help.out.rfind(std::string("usage: vornbank ") + verb, 0), 0u) << verb;
    }
    expectFailure({}, 2, "vornbank: no verb given; vornbank --help lists the verbs.\n");
    expectFailure({"merge", "bws"}, 2, "vornbank: unknown verb 'merge'; vornbank --help lists the verbs.\n");
}

TEST_F(Vornbank, CreateWritesHeaderAndEmptyIndex) {
    create();
    std::string title = "Test bank";
    title.resize(80, '\0');
    EXPECT_EQ(data(), std::string("\xC6\x07\x01\x00\x28\x00", 6) + title);
    EXPECT_EQ(index(), std::string(5, '\0'));
    ProgramResult info = run({"info", "bws.bnk"});
    EXPECT_EQ(info.exitCode, 0);
    EXPECT_EQ(info.out,
              "bank        bws\nbase year   1990\nbase month  1\nlength      40 periods\n"
              "title       Test bank\nseries      0\n");
}

TEST_F(Vornbank, CreateKeepsAnExistingBankWithoutForce) {
    create();
    import("date,GDP\n1990.1,1\n");
    std::string before = data();
    expectFailure({"create", "bws", "--base-year", "2000", "--base-month", "1", "--length", "8"}, 1,
                  "vornbank: bws.bnk exists already; give --force to replace the bank\n");
    EXPECT_EQ(data(), before);
    ProgramResult forced =
        run({"create", "bws", "--base-year", "2000", "--base-month", "1", "--length", "8", "--force"});
    EXPECT_EQ(forced.exitCode, 0);
    EXPECT_EQ(data().size(), 86u);
    EXPECT_EQ(index(), std::string(5, '\0'));
}

TEST_F(Vornbank, CreateRefusesBadSettings) {
    expectFailure({"create", "bws", "--base-year", "1990", "--base-month", "1"}, 2,
                  "vornbank: --length is needed; vornbank create --help shows how to use it\n");
    expectFailure({"create", "bws", "--base-year", "1990", "--base-month", "13", "--length", "4"}, 1,
                  "vornbank: --base-month 13 is not a whole number from 1 to 12\n");
    expectFailure({"create", "bws", "--base-year=1990", "--base-month=1", "--length=4",
                   "--title=" + std::string(81, 't')},
                  1, "vornbank: the title has 81 characters; a bank title has at most 80\n");
    EXPECT_FALSE(fileExists(scratch.file("bws.bnk")));
    EXPECT_FALSE(fileExists(scratch.file("bws.ind")));
}

TEST_F(Vornbank, ImportWritesRecordsAndIndex) {
    create();
    ProgramResult result = import("date,GDP,M1\n1990.1,1.5,2\n1990.2,,3.25\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "imported 2 series (2 new) at 2 dates into bws\n");
    EXPECT_EQ(index(), std::string("\x02\x00\x00\x00\x04\x00\x07\x00GDP\0M1\0\0", 16));
    ASSERT_EQ(data().size(), 86u + 2 * 161);
    EXPECT_EQ(data()[86], 4);
    EXPECT_EQ(valueBytes(0, 0), le32(1.5f));
    EXPECT_EQ(valueBytes(0, 1), kMarker);
    EXPECT_EQ(valueBytes(0, 39), kMarker);
    EXPECT_EQ(data()[86 + 161], 4);
    EXPECT_EQ(valueBytes(1, 1), le32(3.25f));
}

TEST_F(Vornbank, ImportUpdatesInPlaceAndAppendsNewNames) {
    create();
    import("date,GDP,M1\n1990.1,1,2\n1990.2,3,4\n");
    ProgramResult result = import("date,M1,CONS\n1990.2,40,\n1990.3,,5\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "imported 2 series (1 new) at 2 dates into bws\n");
    EXPECT_EQ(valueBytes(1, 0), le32(2.0f));
    EXPECT_EQ(valueBytes(1, 1), le32(40.0f));
    EXPECT_EQ(valueBytes(1, 2), kMarker);
    EXPECT_EQ(valueBytes(0, 1), le32(3.0f));
    EXPECT_EQ(valueBytes(2, 2), le32(5.0f));
    ProgramResult list = run({"list", "bws"});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out,
              "position  name             frequency    first      last\n"
              "       0  GDP              quarterly    1990.1     1990.2\n"
              "       1  M1               quarterly    1990.1     1990.2\n"
              "       2  CONS             quarterly    1990.3     1990.3\n");
}

TEST_F(Vornbank, ExportPrintsTheValuedRange) {
    create();
    import("date,GDP,M1\n1990.2,1.5,\n1990.4,0.1,-7\n");
    ProgramResult all = run({"export", "bws"});
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(all.out, "date,GDP,M1\n1990.2,1.5,\n1990.3,,\n1990.4,0.1,-7\n");
    ProgramResult some = run({"export", "bws", "M1", "--from", "1990.3", "--to", "1991.1"});
    EXPECT_EQ(some.exitCode, 0) << some.err;
    EXPECT_EQ(some.out, "date,M1\n1990.3,\n1990.4,-7\n1991.1,\n");
    ProgramResult to = run({"export", "bws", "GDP", "--to", "1990.2"});
    EXPECT_EQ(to.out, "date,GDP\n1990.2,1.5\n");
}

TEST_F(Vornbank, ExportThenImportChangesNoByte) {
    create();
    import("date,GDP,M1,\"odd, name\"\n"
           "1990.1,0.1,1e-30,-0\n1990.2,3.4e38,123456.789,\n1992.3,-2.5e-7,-0.0000011,16777217\n");
    std::string dataBefore = data();
    std::string indexBefore = index();
    ProgramResult exported = run({"export", "bws"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    // Each value the shortest text that reads back as the same float.
    EXPECT_TRUE(exported.out.starts_with("date,GDP,M1,\"odd, name\"\n1990.1,0.1,1e-30,-0\n1990.2,3.4e+38,123456.79,\n"))
        << exported.out;
    EXPECT_TRUE(exported.out.ends_with("\n1992.3,-2.5e-07,-1.1e-06,16777216\n")) << exported.out;
    ProgramResult again = import(exported.out);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(data(), dataBefore);
    EXPECT_EQ(index(), indexBefore);
    EXPECT_EQ(run({"export", "bws"}).out, exported.out);
}

TEST_F(Vornbank, OtherFrequenciesAndBaseMonth) {
    create("4");
    ProgramResult quarterly = import("date,Q\n1990.2,1\n1990.4,2\n");
    EXPECT_EQ(quarterly.exitCode, 0) << quarterly.err;
    EXPECT_EQ(valueBytes(0, 0), le32(1.0f));
    EXPECT_EQ(valueBytes(0, 2), le32(2.0f));
    ProgramResult monthly = import("date,M\n1990.004,3\n1991.001,4\n");
    EXPECT_EQ(monthly.exitCode, 0) << monthly.err;
    EXPECT_EQ(valueBytes(1, 9), le32(4.0f));
    EXPECT_EQ(data()[86 + 161], 12);
    import("date,H\n1990.5,5\n1990.6,6\n1991.5,7\n");
    import("date,A\n1990,8\n1992,9\n");
    EXPECT_EQ(run({"export", "bws", "M"}).out, "date,M\n1990.004,3\n1990.005,\n1990.006,\n1990.007,\n"
                                              "1990.008,\n1990.009,\n1990.010,\n1990.011,\n1990.012,\n"
                                              "1991.001,4\n");
    EXPECT_EQ(run({"export", "bws", "H"}).out, "date,H\n1990.5,5\n1990.6,6\n1991.5,7\n");
    EXPECT_EQ(run({"export", "bws", "A"}).out, "date,A\n1990,8\n1991,\n1992,9\n");
    expectRefusal("date,Q\n1990.1,1\n", "in.csv line 2: 1990.1 lies outside the bank, which holds 1990.2 to 2000.1");
}

TEST_F(Vornbank, BadCsvChangesNothing) {
    create();
    import("date,GDP\n1990.1,1\n");
    std::string forms = "; accepted: 1995.1, 1995Q1, 1995q1, 1995-Q1, 1995:1 (quarters); 1995.001, 1995M01, "
                        "1995m1, 1995-01 (months); 1995.5, 1995H1, 1995S1 (halves); 1995 (years); 1995-01-01 "
                        "(the period holding that day)";
    for (const char* date : {"1990.10", "1990.0", "1990.7", "1990.013", "90q1", "1990.45", ""})
        expectRefusal(std::string("date,GDP,NEW\n1990.2,1,2\n") + date + ",3,4\n",
                      std::string("in.csv line 3, cell '") + date + "' is not a date in any accepted notation" +
                          forms);
    expectRefusal("date,GDP\n1990-04-01,1\n",
                  "in.csv line 2, cell '1990-04-01' is a day, and a day needs the frequency of its period "
                  "(annual, semi-annual, quarterly or monthly)" + forms);
    expectRefusal("date,GDP,NEW\n1990.2,1,2\n1990.3,x1,4\n", "in.csv line 3, series GDP: 'x1' is not a number");
    expectRefusal("date,GDP\n1990.2,1e39\n", "in.csv line 2, series GDP: 1e39 lies beyond the range of 32-bit floats");
    // Values the bank would not hold as written, and names a zero byte would cut short.
    const std::string smallest = " lies below the smallest normal 32-bit float, 1.17549435e-38";
    for (const auto& [cell, problem] : std::vector<std::pair<std::string, std::string>>{
             {"-0.000001", "-0.000001 is the bank's missing-value marker; leave the cell empty for a missing value"},
             {"-1.0000000001e-6", "-1.0000000001e-6 is the bank's missing-value marker; leave the cell empty for a "
                                  "missing value"},
             {"0x10", "0x10 is not a decimal number"},
             {"1e-50", "1e-50" + smallest},
             {"-1e-40", "-1e-40" + smallest},
             {"1.5abc", "'1.5abc' is not a number"},
             {std::string("1.5\0" "9", 5), "the cell holds a zero byte"}})
        expectRefusal("date,GDP\n1990.2," + cell + "\n", "in.csv line 2, series GDP: " + problem);
    expectRefusal(std::string("date,A\0x,A\0y\n1990.2,1,2\n", 22), "in.csv line 1: the name in column 2 holds a zero byte");
    std::filesystem::create_symlink("/dev/zero", scratch.file("zero.csv"));  // a file that never ends a line
    expectFailure({"import", "bws", "zero.csv"}, 1, "vornbank: zero.csv line 1 is longer than 1048576 characters\n");
    for (const char* cell : {"nan", "inf", "-Infinity"})
        expectRefusal("date,GDP\n1990.2,1\n1990.3," + std::string(cell) + "\n",
                      "in.csv line 3, series GDP: " + std::string(cell) + " is not a finite number");
    expectRefusal("date,GDP,NEW\n1990.2,1,2\n1990.3,4\n", "in.csv line 3 has 2 cells; the header has 3");
    expectRefusal("date,GDP\n1990.2,1\n2000.1,2\n",
                  "in.csv line 3: 2000.1 lies outside the bank, which holds 1990.1 to 1999.4");
    expectRefusal("date,GDP\n1989.4,2\n", "in.csv line 2: 1989.4 lies outside the bank, which holds 1990.1 to 1999.4");
    expectRefusal("date,GDP\n1990.2,1\n1990.003,2\n",
                  "in.csv line 3: 1990.003 is monthly, but the dates before it are quarterly");
    expectRefusal("date,GDP\n1990.2,1\n1990.2,2\n", "in.csv line 3: 1990.2 is given on line 2 already");
    expectRefusal("date,GDP,GDP\n1990.2,1,2\n", "in.csv line 1: series GDP is named twice");
    expectRefusal("date,GDP,\n1990.2,1,2\n", "in.csv line 1: column 3 has no series name");
    expectRefusal("date\n1990.2\n", "in.csv line 1: the header names no series");
    expectRefusal("", "in.csv is empty; it needs the header date,NAME1,NAME2,...");
    expectRefusal("date,GDP\n1990,1\n", "series GDP is quarterly in bws, but the file's dates are annual");
    expectRefusal("date,NEW\n", "series NEW is new, and a new series needs dated rows to take its frequency from");
}

TEST_F(Vornbank, ImportAcceptsSpreadsheetHabits) {
    create();
    ProgramResult result = import("\xEF\xBB\xBF\"date\",\"GDP\"\r\n1990.1, 2.5 \r\n\r\n1990.2,\"3\"\r\n");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(valueBytes(0, 0), le32(2.5f));
    EXPECT_EQ(valueBytes(0, 1), le32(3.0f));
    // The dates in a column named DATE anywhere, or else in the first column, whatever its heading.
    EXPECT_EQ(import("GDP,DATE\n4,1990Q3\n5,1990-Q4\n").exitCode, 0);
    EXPECT_EQ(valueBytes(0, 3), le32(5.0f));
    writeFile(scratch.file("in.csv"), "observation_date,GDP\n1991-02-15,6\n");
    ProgramResult days = run({"import", "bws", "in.csv", "--frequency", "Quarterly"});
    EXPECT_EQ(days.exitCode, 0) << days.err;
    EXPECT_EQ(valueBytes(0, 4), le32(6.0f));
    EXPECT_EQ(run({"export", "bws", "--from", "1990-10-01", "--to", "1991Q1", "--dates", "q"}).out,
              "date,GDP\n1990Q4,5\n1991Q1,6\n");
    std::string before = data();
    expectFailure({"import", "bws", "in.csv", "--frequency", "weekly"}, 2,
                  "vornbank: --frequency weekly is none of annual, semi-annual, quarterly, monthly; "
                  "vornbank import --help shows how to use it\n");
    expectFailure({"import", "bws", "in.csv", "--frequency", "monthly"}, 1,
                  "vornbank: series GDP is quarterly in bws, but the file's dates are monthly\n");
    expectFailure({"export", "bws", "--dates", "excel"}, 2,
                  "vornbank: --dates excel is none of vorn, iso, q; vornbank export --help shows how to use it\n");
    EXPECT_EQ(data(), before);
}

TEST_F(Vornbank, ExportRefusals) {
    create();
    import("date,Q\n1990.1,1\n");
    import("date,M\n1990.001,1\n");
    expectFailure({"export", "bws", "Z"}, 1, "vornbank: bws has no series Z\n");
    expectFailure({"export", "bws", "Q", "M", "Q"}, 2,
                  "vornbank: series Q is named twice; a CSV file names each series once; "
                  "vornbank export --help shows how to use it\n");
    expectFailure({"export", "bws"}, 1,
                  "vornbank: series M is monthly but Q is quarterly; export them separately\n");
    expectFailure({"export", "bws", "Q", "--from", "1990"}, 1,
                  "vornbank: --from 1990 is annual, but the series are quarterly\n");
    expectFailure({"export", "bws", "Q", "--from", "1990.3", "--to", "1990.2"}, 1,
                  "vornbank: --from 1990.3 comes after --to 1990.2\n");
    expectFailure({"export", "bws", "Q", "--to", "2001.1"}, 1,
                  "vornbank: --to 2001.1 lies outside the bank, which holds 1990.1 to 1999.4\n");

    std::string bytes = data();
    bytes[86] = 0;  // a record whose frequency byte was never set
    writeFile(scratch.file("bws.bnk"), bytes);
    expectFailure({"export", "bws", "Q"}, 1,
                  "vornbank: series Q has the frequency code 0, which has no date notation; "
                  "it cannot be exported\n");
    EXPECT_EQ(run({"list", "bws"}).out,
              "position  name             frequency    first      last\n"
              "       0  Q                code 0       period 0   period 0\n"
              "       1  M                monthly      1990.001   1990.001\n");
}

TEST_F(Vornbank, BrokenBanksAreReported) {
    expectFailure({"list", "nothing"}, 1, "vornbank: cannot open nothing.bnk: No such file or directory\n");
    create();
    writeFile(scratch.file("bws.ind"), std::string("\x01\x00\x00\x00\x09\x00GDP\0\0", 11));
    expectFailure({"info", "bws"}, 1,
                  "vornbank: bws.ind is not a readable bank index (Index file is truncated: 5 of 10 pool bytes.)\n");
    std::string dataBefore = data();
    ProgramResult refused = import("date,GDP\n1990.1,1\n");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(data(), dataBefore);
    // A FIFO is refused at once, for reading and for a new bank over it, and nothing is made beside it.
    ASSERT_EQ(mkfifo(scratch.file("x.bnk").c_str(), 0644), 0);
    const std::string fifo = "vornbank: x.bnk is not a regular file, so it cannot be a bank file.\n";
    expectFailure({"list", "x"}, 1, fifo);
    expectFailure({"create", "x", "--base-year", "1990", "--base-month", "1", "--length", "8", "--force"}, 1, fifo);
    EXPECT_FALSE(fileExists(scratch.file("x.bnk-journal")));
    EXPECT_FALSE(fileExists(scratch.file("x.ind")));
}

TEST_F(Vornbank, ImportsAGeneratedBankQuickly) {
    create("1", "400");
    std::string csv = "date";
    for (int s = 1; s <= 40; ++s) csv += ",S" + std::to_string(s);
    csv += "\n";
    for (int row = 0; row < 300; ++row) {
        csv += std::to_string(1990 + row / 4) + "." + std::to_string(row % 4 + 1);
        for (int s = 1; s <= 40; ++s) csv += "," + std::to_string(s * 1000 + row) + ".25";
        csv += "\n";
    }
    auto start = std::chrono::steady_clock::now();
    ProgramResult result = import(csv);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "imported 40 series (40 new) at 300 dates into bws\n");
    EXPECT_LT(seconds, 5.0);
    ProgramResult exported = run({"export", "bws"});
    EXPECT_EQ(exported.out, csv);
}

using Shape = std::vector<std::pair<double, double>>;
using Matches = std::vector<std::pair<std::string, std::string>>;

// The first two groups of every match of the pattern.
Matches matches(const std::string& text, const std::string& pattern) {
    Matches found;
    std::regex re(pattern);
    for (std::sregex_iterator it(text.begin(), text.end(), re), end; it != end; ++it)
        found.push_back({(*it)[1], (*it)[2]});
    return found;
}

// The year at which a date label of a year or a quarter begins.
double labelYear(const std::string& label) {
    size_t dot = label.find('.');
    return std::stoi(label) + (dot == std::string::npos ? 0 : (label[dot + 1] - '1') / 4.0);
}

// One panel of a chart read back through its own tick labels, which map page
// coordinates to years and values.
struct ChartReading {
    std::string panel;
    double year0, yearScale, value0, valueScale;
    Matches values;

    ChartReading(const std::string& svg, int index) {
        size_t from = svg.find("<g class=\"panel\"");
        for (int k = 0; k < index; ++k) from = svg.find("<g class=\"panel\"", from + 1);
        panel = svg.substr(from, svg.find("</g>", from) - from);
        Matches dates = matches(panel, "class=\"date-tick\" x=\"([^\"]*)\"[^>]*>([^<]*)<");
        values = matches(panel, "class=\"value-tick\" x=\"[^\"]*\" y=\"([^\"]*)\"[^>]*>([^<]*)<");
        yearScale = (labelYear(dates.back().second) - labelYear(dates[0].second)) /
                    (std::stod(dates.back().first) - std::stod(dates[0].first));
        year0 = labelYear(dates[0].second) - yearScale * std::stod(dates[0].first);
        valueScale = (std::stod(values.back().second) - std::stod(values[0].second)) /
                     (std::stod(values.back().first) - std::stod(values[0].first));
        value0 = std::stod(values[0].second) - valueScale * std::stod(values[0].first);
    }
    // The points of every element of the class as (year, value) pairs.
    std::vector<Shape> points(const std::string& cls) const {
        std::vector<Shape> shapes;
        for (const auto& [text, unused] : matches(panel, "class=\"" + cls + "\"[^>]* points=\"([^\"]*)\"()")) {
            shapes.emplace_back();
            double x, y;
            int used;
            for (const char* p = text.c_str(); std::sscanf(p, "%lf,%lf%n", &x, &y, &used) == 2; p += used)
                shapes.back().push_back({year0 + yearScale * x, value0 + valueScale * y});
        }
        return shapes;
    }
};

class VornbankChart : public Vornbank {
protected:
    // A quarterly history 1990.1..1992.4 with a gap at 1991.2, an annual series, and other banks.
    void SetUp() override {
        Vornbank::SetUp();
        create();
        import("date,GDP\n1990.1,100\n1990.2,110\n1990.3,120\n1990.4,130\n1991.1,140\n1991.3,160\n"
               "1991.4,170\n1992.1,180\n1992.2,190\n1992.3,200\n1992.4,210\n");
        import("date,A\n1990,5\n1991,7\n1992,6\n");
    }
    void otherBank(const std::string& name, const std::string& month, const std::string& csv) {
        ProgramResult made = run({"create", name, "--base-year", "1990", "--base-month", month, "--length", "40"});
        ASSERT_EQ(made.exitCode, 0);
        writeFile(scratch.file("other.csv"), csv);
        ASSERT_EQ(run({"import", name, "other.csv"}).exitCode, 0);
    }
    // Draws the chart, checks that it is well-formed XML and reads back its panel.
    ChartReading chart(std::vector<std::string> args, int panel = 0) {
        args.insert(args.begin(), {"chart", "bws"});
        ProgramResult drawn = run(args);
        if (drawn.exitCode != 0) throw std::runtime_error(drawn.err);
        writeFile(scratch.file("c.svg"), drawn.out);
#ifdef XMLLINT_BINARY
        ProgramResult lint = runProgram(XMLLINT_BINARY, {"--noout", "c.svg"}, scratch.path());
        EXPECT_EQ(lint.exitCode, 0) << lint.err;
#endif
        return ChartReading(drawn.out, panel);
    }
};

// Values at the middles of successive quarters from quarter q of year y.
Shape quarters(int y, int q, const std::vector<double>& values) {
    Shape shape;
    for (double v : values) {
        shape.push_back({y + (q - 1) / 4.0 + 0.125, v});
        if (++q > 4) q = 1, ++y;
    }
    return shape;
}

void expectShapes(const std::vector<Shape>& drawn, const std::vector<Shape>& expected) {
    ASSERT_EQ(drawn.size(), expected.size());
    for (size_t k = 0; k < drawn.size(); ++k) {
        ASSERT_EQ(drawn[k].size(), expected[k].size()) << "shape " << k;
        for (size_t i = 0; i < drawn[k].size(); ++i) {
            EXPECT_NEAR(drawn[k][i].first, expected[k][i].first, 0.005) << "shape " << k << " point " << i;
            EXPECT_NEAR(drawn[k][i].second, expected[k][i].second, 0.05) << "shape " << k << " point " << i;
        }
    }
}

TEST_F(VornbankChart, LinesMapTheDataWithGapsForecastAndComparison) {
    ChartReading plain = chart({"GDP", "--forecast-from", "1992.1"});
    expectShapes(plain.points("series history"),
                 {quarters(1990, 1, {100, 110, 120, 130, 140}), quarters(1991, 3, {160, 170})});
    expectShapes(plain.points("series forecast"), {quarters(1991, 4, {170, 180, 190, 200, 210})});
    Matches rule = matches(plain.panel, "class=\"forecast-rule\" x1=\"([^\"]*)\"()");
    EXPECT_NEAR(plain.year0 + plain.yearScale * std::stod(rule.at(0).first), 1992.0, 0.005);
    // An annual series shares the calendar axis: its values sit at mid-year.
    ChartReading annual = chart({"GDP", "A", "--from", "1991Q1"}, 1);
    expectShapes(annual.points("series history"), {{{1991.5, 7}, {1992.5, 6}}});
    EXPECT_EQ(annual.points("series forecast").size(), 0u);
    // A compared bank's line, and the legend that names both banks, whole however long.
    otherBank("base", "1", "date,GDP\n1990.1,50\n1990.2,60\n");
    for (const auto& [label, shown] : std::vector<std::pair<std::string, std::string>>{
             {"a<b", "a&lt;b"}, {std::string(599, 'x') + "<", std::string(599, 'x') + "&lt;"}}) {
        ChartReading compared = chart({"GDP", "--compare", "base", "--label", label});
        expectShapes(compared.points("compare history"), {quarters(1990, 1, {50, 60})});
        std::string legend = run({"chart", "bws", "GDP", "--compare", "base", "--label", label}).out;
        EXPECT_NE(legend.find(">" + shown + "</text>"), std::string::npos) << label.size();
        EXPECT_NE(legend.find(">base</text>"), std::string::npos);
    }
}

TEST_F(VornbankChart, BandsFromTheSigmaBankOverTheForecastOnly) {
    otherBank("sig", "1", "date,GDP\n1990.1,100\n1992.1,2\n1992.2,0\n1992.3,3\n1992.4,6\n");
    ChartReading banded =
        chart({"GDP", "--from", "1992.1", "--forecast-from", "1992.1", "--to", "1992.4", "--sigma", "sig"});
    for (int k : {1, 2}) {
        double t = 1992.125;  // a band of one period is drawn 0.3 of a period wide each way
        expectShapes(banded.points("band" + std::to_string(k)),
                     {{{t - 0.075, 180 + 2 * k}, {t + 0.075, 180 + 2 * k},  //
                       {t + 0.075, 180 - 2 * k}, {t - 0.075, 180 - 2 * k}},
                      {{1992.625, 200 + 3 * k}, {1992.875, 210 + 6 * k},  //
                       {1992.875, 210 - 6 * k}, {1992.625, 200 - 3 * k}}});
    }
    EXPECT_GE(std::stod(banded.values.back().second), 222);  // the axis holds the whole band
    EXPECT_LT(banded.panel.find("band2"), banded.panel.find("series forecast"));  // drawn behind the line
}

// A trials file of five trials of A and GDP over 1992.2..1992.4, as vorn --trials
// writes it: GDP is 200 + 10 t plus the trial's offset, A misses a value in trial 4.
void writeTrials(const ScratchDir& scratch) {
    const float offsets[] = {4, -2, 0, 2, -4};
    std::string values = trialsHeader(5, 2, 3);
    for (int trial = 0; trial < 5; ++trial) {
        for (int t = 0; t < 3; ++t) values += le32(trial == 3 && t == 0 ? kMissingValue : trial + 1.0f + t);
        for (int t = 0; t < 3; ++t) values += le32(200 + 10 * t + offsets[trial]);
    }
    writeFile(scratch.file("t.npy"), values);
    writeFile(scratch.file("t-series.txt"), "A\nGDP\n");
    writeFile(scratch.file("t-dates.txt"), "1992.2\n1992.3\n1992.4\n");
}

TEST_F(VornbankChart, TrialsPercentilesAndDeviations) {
    writeTrials(scratch);
    EXPECT_EQ(run({"trials", "t.npy", "GDP", "A", "--from", "1992Q4"}).out,
              "trial,date,name,value\n1,1992.4,GDP,224\n1,1992.4,A,3\n2,1992.4,GDP,218\n2,1992.4,A,4\n"
              "3,1992.4,GDP,220\n3,1992.4,A,5\n4,1992.4,GDP,222\n4,1992.4,A,6\n5,1992.4,GDP,216\n5,1992.4,A,7\n");
    EXPECT_EQ(run({"trials", "t.npy", "--to", "1992.2"}).out.substr(0, 47),
              "trial,date,name,value\n1,1992.2,A,1\n1,1992.2,GDP");
    EXPECT_EQ(run({"percentiles", "t.npy", "A", "GDP", "--at", "0,5,50,95,100", "--to", "1992.3"}).out,
              "date,A:p0,A:p5,A:p50,A:p95,A:p100,GDP:p0,GDP:p5,GDP:p50,GDP:p95,GDP:p100\n"
              "1992.2,1,1.15,2.5,4.7,5,196,196.4,200,203.6,204\n"
              "1992.3,2,2.2,4,5.8,6,206,206.4,210,213.6,214\n");
    EXPECT_EQ(run({"percentiles", "t.npy", "GDP", "--from", "1992.4"}).out,
              "date,GDP:p5,GDP:p25,GDP:p50,GDP:p75,GDP:p95\n1992.4,216.4,218,220,222,223.6\n");

    // The fan: the median as the line, the bands between 5 and 95 and 25 and 75, darker inside.
    ChartReading fan = chart({"GDP", "--from", "1992.1", "--fan", "t.npy"});
    expectShapes(fan.points("series history"), {quarters(1992, 1, {180, 200, 210, 220})});
    // Each band's polygon: the upper edge forward, the lower edge back.
    auto band = [](std::vector<double> high, std::vector<double> low) {
        Shape upper = quarters(1992, 2, high);
        Shape lower = quarters(1992, 2, low);
        upper.insert(upper.end(), lower.rbegin(), lower.rend());
        return upper;
    };
    expectShapes(fan.points("fan2"), {band({203.6, 213.6, 223.6}, {196.4, 206.4, 216.4})});
    expectShapes(fan.points("fan1"), {band({202, 212, 222}, {198, 208, 218})});
    EXPECT_LT(fan.panel.find("class=\"fan2\""), fan.panel.find("class=\"fan1\""));
    EXPECT_LT(std::stod(fan.values[0].second), 196.4);  // the axis holds the whole fan
    std::string svg = run({"chart", "bws", "GDP", "--fan", "t.npy", "--at", "10,50,90"}).out;
    EXPECT_NE(svg.find(">10–90% of trials</text>"), std::string::npos);
    EXPECT_NE(svg.find(">median of the trials</text>"), std::string::npos);

    otherBank("base", "1", "date,GDP\n1990.1,50\n1990.2,0\n1990.4,65\n");
    EXPECT_EQ(run({"compare", "bws", "base", "GDP", "--to", "1991.1"}).out,
              "date,GDP\n1990.1,50\n1990.2,110\n1990.3,\n1990.4,65\n1991.1,\n");
    EXPECT_EQ(run({"compare", "bws", "base", "GDP", "--percent"}).out,
              "date,GDP\n1990.1,100\n1990.2,\n1990.3,\n1990.4,100\n");
    ChartReading deviation = chart({"GDP", "--compare", "base", "--deviation", "--to", "1990.4"});
    expectShapes(deviation.points("series history"), {quarters(1990, 1, {50, 110}), quarters(1990, 4, {65})});
    Matches zero = matches(deviation.panel, "class=\"zero\" x1=\"[^\"]*\" y1=\"([^\"]*)\"()");
    EXPECT_NEAR(deviation.value0 + deviation.valueScale * std::stod(zero.at(0).first), 0, 0.05);
    EXPECT_EQ(deviation.points("compare history").size(), 0u);
}

TEST_F(VornbankChart, TrialsFilesAndComparisonsRefusedWithOneLine) {
    writeTrials(scratch);
    writeFile(scratch.file("cut.npy"), readFile(scratch.file("t.npy")).substr(0, 128 + 24 * 3 + 5));
    writeFile(scratch.file("cut-series.txt"), "A\nGDP\n");
    writeFile(scratch.file("cut-dates.txt"), "1992.2\n1992.3\n1992.4\n");
    writeFile(scratch.file("few.npy"), readFile(scratch.file("t.npy")));
    writeFile(scratch.file("few-series.txt"), "A\n");
    writeFile(scratch.file("few-dates.txt"), "1992.2\n1992.3\n1992.4\n");
    otherBank("april", "4", "date,GDP\n1990.2,1\n");
    otherBank("monthly", "1", "date,GDP\n1990.001,1\n");
    const std::string usage = " --help shows how to use it";
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"trials", "cut.npy"}, 1, "cut.npy is cut short: it holds 3 whole trials of the 5 its header names; none of it is used"},
        {{"percentiles", "bws.bnk", "GDP"}, 1,
         "bws.bnk is not a trials file (a .npy array of 32-bit floats, trials x series x periods, as vorn --trials "
         "writes it)"},
        {{"trials", "few.npy"}, 1, "few.npy holds 2 series over 3 periods, but few-series.txt names 1 and few-dates.txt dates 3"},
        {{"trials", "none.npy"}, 1, "cannot open none.npy: No such file or directory"},
        {{"percentiles", "t.npy", "X"}, 1, "t.npy holds no series X"},
        {{"percentiles", "t.npy", "GDP", "--from", "1993.1"}, 1, "--from 1993.1 is not a period of t.npy, which holds 1992.2 to 1992.4"},
        {{"percentiles", "t.npy", "GDP", "--at", "5,101"}, 2, "--at 5,101: '101' is not a percentile from 0 to 100; vornbank percentiles" + usage},
        {{"percentiles", "t.npy", "GDP", "--at", "-5"}, 2, "--at -5: '-5' is not a percentile from 0 to 100; vornbank percentiles" + usage},
        {{"percentiles", "t.npy", "GDP", "--at", "5,5"}, 2, "--at 5,5: the percentiles must increase; vornbank percentiles" + usage},
        {{"compare", "bws", "april", "GDP"}, 1, "the base bank april begins in month 4 of 1990, but bws in month 1 of 1990; the banks need one base"},
        {{"compare", "bws", "monthly", "GDP"}, 1, "series GDP is monthly in monthly but quarterly in bws"},
        {{"compare", "bws", "monthly", "GDP", "A"}, 1, "series A is annual but GDP is quarterly; compare them separately"},
        {{"compare", "bws", "april", "X"}, 1, "bws has no series X"},
    };
    for (const auto& [words, code, message] : cases) expectFailure(words, code, "vornbank: " + message + "\n");
}

TEST_F(VornbankChart, RefusalsWriteNothing) {
    otherBank("april", "4", "date,GDP\n1990.2,1\n");
    otherBank("monthly", "1", "date,GDP\n1990.001,1\n");
    import("date,EMPTY\n1990.1,\n");
    writeTrials(scratch);
    const std::string usage = "; vornbank chart --help shows how to use it";
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"Z"}, 1, "bws has no series Z"},
        {{"EMPTY"}, 1, "none of the series has a value in bws"},
        {{"GDP", "--from", "1995.1", "--to", "1995.4"}, 1, "series GDP has no value from 1995.1 to 1995.4"},
        {{"GDP", "--from", "1992.3", "--to", "1991.1"}, 1, "--from 1992.3 comes after --to 1991.1"},
        {{"GDP", "--from", "1993.1"}, 1, "--from 1993.1 comes after the last value, at 1992.4"},
        {{"GDP", "--to", "1990.13"}, 1,
         "--to 1990.13 is not a date in any accepted notation; accepted: " + std::string(kDateNotations)},
        {{"GDP", "--forecast-from", "1999.1"}, 1,
         "--forecast-from 1999.1 lies outside the chart, which runs from 1990.1 to 1992.4"},
        {{"GDP", "--compare", "april"}, 1,
         "the --compare bank april begins in month 4 of 1990, but bws in month 1 of 1990; the banks need one base"},
        {{"GDP", "--compare", "monthly"}, 1, "series GDP is monthly in monthly but quarterly in bws"},
        {{"GDP", "--compare", "nothing"}, 1, "cannot open nothing.bnk: No such file or directory"},
        {{"GDP", "--columns", "0"}, 1, "--columns 0 is not a whole number from 1 to 20"},
        {{"GDP", "--out", "no/c.svg"}, 1, "cannot write no/c.svg: No such file or directory"},
        {{"GDP", "--sigma", "monthly", "--to", "1992.4"}, 2,
         "--sigma needs --forecast-from and --to, the first and last periods the run solved" + usage},
        {{"GDP", "--label", "x"}, 2, "--label and --compare-label name the banks of --compare" + usage},
        {{"GDP", "--deviation"}, 2, "--deviation draws BANK against the bank of --compare, which is missing" + usage},
        {{"GDP", "--fan", "t.npy", "--at", "5,50,90"}, 2,
         "--at 5,50,90: 5 has no partner 95; the fan's bands lie between pairs that add up to 100" + usage},
        {{"GDP", "--fan", "t.npy", "--at", "25,75"}, 2,
         "--at 25,75: the fan needs 50, its median, and pairs that add up to 100" + usage},
        {{"GDP", "--fan", "t.npy", "--at", "50,25"}, 2, "--at 50,25: the percentiles must increase" + usage},
        {{"GDP", "--fan", "t.npy", "--sigma", "monthly"}, 2,
         "--fan draws its own bands; it goes with neither --sigma nor --deviation" + usage},
        {{"GDP", "--fan", "monthly.bnk"}, 1,
         "monthly.bnk is not a trials file (a .npy array of 32-bit floats, trials x series x periods, as vorn "
         "--trials writes it)"},
        {{"A", "--fan", "t.npy"}, 1, "series A is annual in bws but the trials in t.npy are quarterly"},
    };
    for (const auto& [words, code, message] : cases) {
        std::vector<std::string> args = {"chart", "bws", "--out", "c.svg"};
        args.insert(args.end(), words.begin(), words.end());
        expectFailure(args, code, "vornbank: " + message + "\n");
        EXPECT_FALSE(fileExists(scratch.file("c.svg"))) << message;
    }
}

}  // namespace

namespace {

// vorn.lag for a bank of 37 series S0..S36: the model's minimums with overrides. lags and workdir
// refuse bad words before they write: no vorn.lag, no new directory, a full one as it was.
TEST_F(Vornbank, LagsAndWorkdirWriteOnlyWhatTheModelCanRun) {
    create();
    std::string header = "date";
    for (int s = 0; s <= 36; ++s) header += ",S" + std::to_string(s);
    writeFile(scratch.file("ok.csv"), header + "\n1990Q1" + std::string(37, ',') + "\n");
    ASSERT_EQ(run({"import", "bws", "ok.csv"}).exitCode, 0);
    ProgramResult lags = run({"lags", "bws", "S7=2", "3=12", "S36=127"});
    EXPECT_EQ(lags.out, "wrote vorn.lag: 37 series; lags (series:periods) 2:1 3:12 4:4 5:1 7:2 10:1 11:4 36:127\n");
    EXPECT_EQ(readFile(scratch.file("vorn.lag")),
              le16(37) + std::string("\0\0\1\x0c\4\1\0\2\0\0\1\4", 12) + std::string(24, '\0') + "\x7f");
    ASSERT_EQ(run({"lags", "bws", "--series", "36"}).exitCode, 0);
    EXPECT_EQ(readFile(scratch.file("vorn.lag")).substr(0, 6), le16(36) + std::string("\0\0\1\x0b", 4));
    std::remove(scratch.file("vorn.lag").c_str());
    writeFile(scratch.file("few.csv"), "date,A,B\n2001Q1,1,2\n");
    writeFile(scratch.file("heart.dim"), "3\ns13\ns4\ns4\n");
    fs::create_directories(scratch.file("coef"));
    for (const char* name : {"coef/heart.dim", "coef/heart.dat"}) writeFile(scratch.file(name), "3\n");
    fs::create_directory(scratch.file("full"));
    writeFile(scratch.file("full/notes"), "mine");
    const std::string usage = "; vornbank lags --help shows how to use it";
    for (const auto& [words, err] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"lags", "bws", "GDP=2"}, "GDP=2: bws has no series GDP"},
             {{"lags", "bws", "S4=3"}, "S4=3: the model reads series 4 back 4 periods, so it keeps at least 4"},
             {{"lags", "bws", "37=1"}, "37=1: series 37 is not among the 37 series vorn.lag declares"},
             {{"lags", "bws", "S8=128"}, "S8=128: a lag is a whole number from 0 to 127"},
             {{"lags", "bws", "S8=-1"}, "S8=-1: a lag is a whole number from 0 to 127"},
             {{"lags", "bws", "--series", "35"},
              "--series 35: vorn.lag needs from 36 series (the model's) to 37 (the bank's)"},
             {{"lags", "bws", "S8"}, "'S8' is not an override NAME=K or NUMBER=K" + usage},
             {{"workdir", "new", "--csv", "ok.csv", "--coefficients", "."}, ". has no heart.dat"},
             {{"workdir", "full", "--csv", "ok.csv", "--coefficients", "."},
              "full exists already and is not empty; give --force to replace its bank and start-up files"},
             {{"workdir", "new", "--csv", "few.csv", "--coefficients", "coef"},
              "few.csv names 2 series; the model reads series 0 to 35"},
             {{"workdir", "new", "--coefficients", "."},
              "--csv is needed; vornbank workdir --help shows how to use it"}}) {
        expectFailure(words, err.find("--help") == std::string::npos ? 1 : 2, "vornbank: " + err + "\n");
        EXPECT_FALSE(fileExists(scratch.file("vorn.lag")) || fileExists(scratch.file("new"))) << err;
        EXPECT_EQ(fs::directory_iterator(scratch.file("full"))->path().filename(), "notes");
    }
}

}  // namespace
