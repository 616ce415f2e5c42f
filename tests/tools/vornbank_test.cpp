// vornbank end to end: making a bank, importing CSV, listing and exporting it,
// and refusing bad input without touching the bank's files.
#include <chrono>
#include <filesystem>

#include "support/bank_files.h"
#include "support/harness.h"

namespace {

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
    for (const char* verb : {"create", "import", "export", "list", "info"}) {
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
    EXPECT_EQ(all.out, "date,GDP,M1\n1990.2,1.5,\n1990.3,,\n1990.4,0.100000001,-7\n");
    ProgramResult some = run({"export", "bws", "M1", "--from", "1990.3", "--to", "1991.1"});
    EXPECT_EQ(some.exitCode, 0) << some.err;
    EXPECT_EQ(some.out, "date,M1\n1990.3,\n1990.4,-7\n1991.1,\n");
    ProgramResult to = run({"export", "bws", "GDP", "--to", "1990.2"});
    EXPECT_EQ(to.out, "date,GDP\n1990.2,1.5\n");
}

TEST_F(Vornbank, ExportThenImportChangesNoByte) {
    create();
    import("date,GDP,M1,\"odd, name\"\n"
           "1990.1,0.1,1e-30,-0\n1990.2,3.4e38,123456.789,\n1992.3,-2.5e-7,-0.000001,16777217\n");
    std::string dataBefore = data();
    std::string indexBefore = index();
    ProgramResult exported = run({"export", "bws"});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out.substr(0, exported.out.find('\n')), "date,GDP,M1,\"odd, name\"");
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
    EXPECT_EQ(run({"export", "bws", "--from", "1990-07-01", "--to", "1991Q1", "--dates", "iso"}).out,
              "date,GDP\n1990-07-01,4\n1990-10-01,5\n1991-01-01,6\n");
    EXPECT_EQ(run({"export", "bws", "--from", "1990:4", "--to", "1991.1", "--dates", "q"}).out,
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

}  // namespace
