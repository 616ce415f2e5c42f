// Index-range containers and the arithmetic-warning check.
#include <cfenv>
#include <cmath>

#include "base/arithmetic.h"
#include "base/arrays.h"
#include "base/console.h"
#include "support/harness.h"

namespace {

class Arrays : public ModelTest {
protected:
    void TearDown() override {
        limitAllocations(-1);
        ModelTest::TearDown();
    }
};

TEST_F(Arrays, VectorIsAddressedFromItsLowBound) {
    FloatVector v = allocVector(-4, 3);
    ASSERT_TRUE(v);
    for (int i = -4; i <= 3; ++i) v[i] = static_cast<float>(i);
    EXPECT_EQ(v.block[0], -4.0f);
    EXPECT_EQ(v.block[7], 3.0f);
    freeVector(v);
    EXPECT_FALSE(v);
    freeVector(v);  // an absent vector is left alone
}

TEST_F(Arrays, EmptyAndNegativeRangesFail) {
    ConsoleCapture console;
    EXPECT_FALSE(allocVector(1, 0));
    EXPECT_FALSE(allocVector(5, 1));
    EXPECT_EQ(console.output(), "Not enough space.\nNot enough space.\n");
}

TEST_F(Arrays, MatrixWithoutColumnsFailsOnItsFirstRow) {
    ConsoleCapture console;
    FloatMatrix m = allocMatrix(0, 4, 1, 0);
    EXPECT_FALSE(m);
    EXPECT_EQ(console.output(), "Not enough space.\n");
}

TEST_F(Arrays, MatrixReleasesItsRowsWhenARowCannotBeHad) {
    ConsoleCapture console;
    limitAllocations(3);  // the row table and two row blocks
    FloatMatrix m = allocMatrix(1, 4, 1, 2);
    EXPECT_FALSE(m);
    EXPECT_EQ(console.output(), "Not enough space.\n");
    limitAllocations(-1);
    FloatMatrix again = allocMatrix(1, 4, 1, 2);
    ASSERT_TRUE(again);
    again[4][2] = 7.0f;
    EXPECT_EQ(again.rows[3].block[1], 7.0f);
    freeMatrix(again);
    EXPECT_FALSE(again);
}

TEST_F(Arrays, DoubleMatrixHoldsDoubles) {
    DoubleMatrix m = allocDoubleMatrix(0, 2, 0, 5);
    ASSERT_TRUE(m);
    m[2][5] = 0.1;
    EXPECT_EQ(m[2][5], 0.1);
    freeDoubleMatrix(m);
}

class Arithmetic : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        maskFloatingPointExceptions();
    }
};

TEST_F(Arithmetic, ReportsADivisionByZeroOnceAndConsumesOneCharacter) {
    ConsoleCapture console("xy");
    volatile double zero = 0.0;
    volatile double infinite = 1.0 / zero;
    (void)infinite;
    EXPECT_EQ(checkArithmetic("before fixer"), 1);
    EXPECT_EQ(checkArithmetic("before fixer"), 0);
    EXPECT_EQ(console.output(), "Arithmetic warning before fixer\n");
    EXPECT_EQ(console.remainingInput(), "y");
}

TEST_F(Arithmetic, InexactAloneIsNotReported) {
    ConsoleCapture console("x");
    volatile double three = 3.0;
    volatile double third = 1.0 / three;
    (void)third;
    EXPECT_TRUE(std::fetestexcept(FE_INEXACT));
    EXPECT_EQ(checkArithmetic("after fixer."), 0);
    EXPECT_EQ(console.output(), "");
    EXPECT_EQ(console.remainingInput(), "x");
}

TEST_F(Arithmetic, SeesInvalidOverflowUnderflowAndDenormalOperands) {
    ConsoleCapture console("abcd");
    volatile double minusOne = -1.0;
    volatile double nan = std::sqrt(minusOne);
    (void)nan;
    EXPECT_EQ(checkArithmetic("invalid"), 1);
    volatile float big = 3e38f;
    volatile float overflow = big * 10.0f;
    (void)overflow;
    EXPECT_EQ(checkArithmetic("overflow"), 1);
    volatile float tiny = 1e-30f;
    volatile float underflow = tiny * 1e-30f;
    (void)underflow;
    EXPECT_EQ(checkArithmetic("underflow"), 1);
#if defined(__x86_64__)
    volatile float denormal = 1e-40f;
    volatile float sum = denormal + 1.0f;
    (void)sum;
    EXPECT_EQ(checkArithmetic("denormal"), 1);
#endif
    EXPECT_EQ(checkArithmetic("nothing"), 0);
}

}  // namespace
