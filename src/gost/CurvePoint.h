#pragma once

#include "FieldArithmetic.h"

// Points of y² = x³ + a·x + b in homogeneous projective coordinates: (X, Y, Z) stands for the
// affine point (X/Z, Y/Z). Every coordinate is below p.
namespace gost {

// Failure codes shared with the signer.
constexpr unsigned kInfinity = 2;

struct ProjectivePoint {
    Word x[kFieldWords];
    Word y[kFieldWords];
    Word z[kFieldWords];
};

// One parameter set loaded as words, with its base point at Z = 1.
struct CurveContext {
    Field field;
    Word a[kFieldWords];
    // a = p - 3, as on every CryptoPro set: a·Z² is then -3·Z², no full product needed.
    bool aIsMinusThree;
    Word b[kFieldWords];
    Word q[kFieldWords];
    ProjectivePoint base;
};

// False when no set has this letter.
bool loadCurve(char letter, CurveContext& curve);

// t = 2·t; kInfinity when Y = 0.
unsigned doublePoint(const CurveContext& curve, ProjectivePoint& t);

// out = r + t (out may be r or t); kInfinity when the sum is the point at infinity.
unsigned addPoints(const CurveContext& curve, ProjectivePoint& out, const ProjectivePoint& r,
                   const ProjectivePoint& t);

// out = k·p, right to left over all 256 bits of k with exactly 256 doublings; every bit after
// the lowest set one costs an addition, kept or dropped. kInfinity when the result is the point
// at infinity (k a multiple of the order).
unsigned scalarMultiply(const CurveContext& curve, ProjectivePoint& out, const Word* k,
                        const ProjectivePoint& p);

// out = k·p for a secret k below the order, by fixed 4-bit windows: 256 doublings and 64
// additions, kept or dropped, for every k, and the whole table read for each window (faster than
// the bitwise ladder, for the operations whose algorithm is ours to choose). kInfinity when k is
// zero.
unsigned windowMultiply(const CurveContext& curve, ProjectivePoint& out, const Word* k,
                        const ProjectivePoint& p);

// out = k1·p1 + k2·p2, left to right with shared doublings (Shamir's trick). Its cost depends
// on the scalars, so it is only for public ones (verification). kInfinity when the sum is the
// point at infinity.
unsigned doubleScalarMultiply(const CurveContext& curve, ProjectivePoint& out, const Word* k1,
                              const ProjectivePoint& p1, const Word* k2, const ProjectivePoint& p2);

// (x, y) = (X/Z, Y/Z); kNoInverse when Z has no inverse.
unsigned toAffine(const CurveContext& curve, Word* x, Word* y, const ProjectivePoint& point);

// Whether (x, y), both below p, satisfies the curve equation.
bool isOnCurve(const CurveContext& curve, const Word* x, const Word* y);

} // namespace gost
