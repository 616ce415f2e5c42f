// The random coefficients of a stochastic trial: every stochastic equation's
// coefficients moved by its draw matrix times fresh standard normal deviates.
#pragma once

// Draws around the coefficients that readCoefficients has just put into coef,
// equation by equation in order, with the draw matrices of model.trialCache.
// No memory for an equation's deviates ends the run with exit code 9.
void drawCoefficients();
