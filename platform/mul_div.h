#pragma once
// a × b / c rounded to the nearest integer (halves away from zero), without overflow in the
// product; -1 when c is 0. Sizes given at one DPI are scaled to another with it.
int mul_div(int a, int b, int c);
