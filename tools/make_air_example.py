#!/usr/bin/env python3
"""Writes the shipped example data set: alpha-quartz measured in air.

The reflections are simulated for a four-circle diffractometer in bisecting
geometry (omega = 0) from a rotated orientation matrix, with structure
factors of the quartz structure, counting-statistics sigmas, three standard
reflections measured through the run, one reflection flagged as rejected by
the integration, weak reflections that become less-thans, and a few records
with continuation lines. The same reflections are written in both input
formats: fixed-column integration output (.int) and SHELX with direction
cosines (.hkl).

usage: make_air_example.py OUTDIR [--name quartz] [--scale S] [--count N] [--seed K] [--max-psi DEG]
                            [--wavelength A]

With --max-psi the reflections are those a diamond-anvil cell lets through,
and the golden cases of cell runs are made from them (with no standards).
"""
import argparse
import math
import os
import random

A, C = 4.9134, 5.4052
WAVELENGTH = 0.71073
# alpha-quartz, P3(2)21: Si on 3a, O on 6c (fractional coordinates).
SI = (0.4697, 0.0, 0.0)
O = (0.4135, 0.2669, 0.1191)
SYMOPS = [
    lambda x, y, z: (x, y, z),
    lambda x, y, z: (-y, x - y, z + 2 / 3),
    lambda x, y, z: (-x + y, -x, z + 1 / 3),
    lambda x, y, z: (y, x, -z),
    lambda x, y, z: (x - y, -y, -z + 1 / 3),
    lambda x, y, z: (-x, -x + y, -z + 2 / 3),
]


def matmul(m, v):
    return [sum(m[i][k] * v[k] for k in range(3)) for i in range(3)]


def matmat(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3)] for i in range(3)]


def rotation(ax, ay, az):
    cx, sx, cy, sy, cz, sz = math.cos(ax), math.sin(ax), math.cos(ay), math.sin(ay), math.cos(az), math.sin(az)
    rx = [[1, 0, 0], [0, cx, -sx], [0, sx, cx]]
    ry = [[cy, 0, sy], [0, 1, 0], [-sy, 0, cy]]
    rz = [[cz, -sz, 0], [sz, cz, 0], [0, 0, 1]]
    return matmat(rz, matmat(ry, rx))


def b_matrix():
    # Busing & Levy (1967), eq. 3, for a = b, gamma = 120 degrees.
    al, be, ga = math.radians(90), math.radians(90), math.radians(120)
    v = A * A * C * math.sqrt(1 - math.cos(al) ** 2 - math.cos(be) ** 2 - math.cos(ga) ** 2
                              + 2 * math.cos(al) * math.cos(be) * math.cos(ga))
    ast, bst, cst = A * C * math.sin(al) / v, A * C * math.sin(be) / v, A * A * math.sin(ga) / v
    cga_st = (math.cos(al) * math.cos(be) - math.cos(ga)) / (math.sin(al) * math.sin(be))
    sga_st = math.sqrt(1 - cga_st ** 2)
    cbe_st = (math.cos(al) * math.cos(ga) - math.cos(be)) / (math.sin(al) * math.sin(ga))
    return [[ast, bst * cga_st, cst * cbe_st],
            [0, bst * sga_st, -cst * math.sin(math.acos(cbe_st)) * math.cos(al)],
            [0, 0, 1 / C]]


def form_factor(z, s):
    return z * math.exp(-2.0 * s * s) * (0.45 + 0.55 * math.exp(-10 * s * s))


def f_squared(h, k, l, s):
    re = im = 0.0
    for atom, z in ((SI, 14), (O, 8)):
        for op in SYMOPS:
            x, y, w = op(*atom)
            if atom is SI and op not in SYMOPS[:3]:
                continue  # Si on a special position: three sites
            arg = 2 * math.pi * (h * x + k * y + l * w)
            re += form_factor(z, s) * math.cos(arg)
            im += form_factor(z, s) * math.sin(arg)
    return re * re + im * im


def angles(ub, hkl, wavelength=WAVELENGTH):
    hp = matmul(ub, hkl)
    d = math.sqrt(sum(c * c for c in hp))
    st = wavelength * d / 2
    if st >= 0.95:
        return None
    tth = 2 * math.degrees(math.asin(st))
    chi = math.degrees(math.asin(hp[2] / d))
    phi = math.degrees(math.atan2(hp[1], hp[0]))
    return tth, chi, phi, d


def beams(tth, chi, phi):
    t, c, p = math.radians(tth / 2), math.radians(chi), math.radians(phi)
    dci = (math.cos(t) * math.sin(p) + math.sin(t) * math.cos(c) * math.cos(p),
           math.sin(t) * math.cos(c) * math.sin(p) - math.cos(t) * math.cos(p),
           math.sin(t) * math.sin(c))
    dcd = (math.sin(t) * math.cos(c) * math.cos(p) - math.cos(t) * math.sin(p),
           math.cos(t) * math.cos(p) + math.sin(t) * math.cos(c) * math.sin(p),
           math.sin(t) * math.sin(c))
    return dci, dcd


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("outdir")
    ap.add_argument("--name", default="quartz")
    ap.add_argument("--scale", type=float, default=1.0)
    ap.add_argument("--count", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1966)
    ap.add_argument("--standards", type=int, default=3)
    ap.add_argument("--max-psi", type=float, default=None,
                    help="keep only reflections whose beams both run within this angle (degrees) of the"
                         " load axis y, as measured through a diamond-anvil cell")
    ap.add_argument("--wavelength", type=float, default=WAVELENGTH, help="in angstroms (Mo K-alpha by default)")
    ap.add_argument("--title", default="alpha-quartz SiO2, 0.20 mm fragment in air, Mo K-alpha, 295 K")
    args = ap.parse_args()
    rng = random.Random(args.seed)
    ub = matmat(rotation(0.41, -0.73, 1.17), b_matrix())
    ubt = [[ub[j][i] for j in range(3)] for i in range(3)]
    rlen = [math.sqrt(sum(ub[r][i] ** 2 for r in range(3))) for i in range(3)]

    hkls = [(h, k, l) for h in range(-5, 6) for k in range(-5, 6) for l in range(-6, 7) if (h, k, l) != (0, 0, 0)]
    rng.shuffle(hkls)
    standards = [(1, 0, 1), (1, 1, 0), (0, 1, 2)][: args.standards]
    records = []
    seq = 0
    for hkl in hkls:
        a = angles(ub, hkl, args.wavelength)
        if a is None or a[0] < 3.0:
            continue
        if args.max_psi is not None:
            dci, dcd = beams(a[0], a[1], a[2])
            limit = math.cos(math.radians(args.max_psi))
            if abs(dci[1]) < limit or abs(dcd[1]) < limit:
                continue
        seq += 1
        records.append((hkl, a, seq, 0))
        if seq % 60 == 1 and len(records) < args.count + 10 and args.max_psi is None:
            for n, shkl in enumerate(standards, 1):
                seq += 1
                records.append((shkl, angles(ub, shkl, args.wavelength), seq, n))
        if len(records) >= args.count:
            break
    os.makedirs(args.outdir, exist_ok=True)
    base = os.path.join(args.outdir, args.name)
    with open(base + ".exp", "w") as f:
        f.write("TITLE  %s\n" % args.title)
        f.write("WAVEL   1  %.5f\n" % args.wavelength)
        for r in range(3):
            f.write("UB    %12.6f %12.6f %12.6f\n" % tuple(ub[r]))
        f.write("CELL  %.4f %.4f %.4f 90.0000 90.0000 120.0000\n" % (A, A, C))
        f.write("2THETA MAX 60.0\n")
        f.write("KORVEX LESSTHAN 2.0\n")
    with open(base + ".int", "w") as fi, open(base + ".hkl", "w") as fh:
        for n, (hkl, (tth, chi, phi, d), seq, std) in enumerate(records):
            s = d / 2
            i_true = f_squared(*hkl, s) * args.scale * (1.0 + 0.15 * rng.random())
            if std:
                i_true = f_squared(*hkl, s) * args.scale * (1.0 + 0.01 * rng.gauss(0, 1))
            sig = math.sqrt(i_true + 40.0 * args.scale) + 0.02 * i_true
            inten = i_true + rng.gauss(0, 1) * sig
            flags = "      "
            if n == 17:
                flags = " R    "  # rejected by the integration program
            nskip = 2 if n in (5, 40) else 0
            fi.write("%3d%3d%3d%8.3f%8.3f%8.3f%8.3f%12.3f%8.3f%7.0f  %s%3d\n"
                     % (hkl[0], hkl[1], hkl[2], tth, 0.0, chi, phi, inten, sig, seq * 10 + std, flags, nskip))
            for _ in range(nskip):
                fi.write("     profile continuation line of the integration program\n")
            dci, dcd = beams(tth, chi, phi)
            p, q = matmul(ubt, dci), matmul(ubt, dcd)
            dc = []
            for i in range(3):
                dc += [p[i] / rlen[i], q[i] / rlen[i]]
            if std:
                continue  # SHELX files carry no standards
            fh.write("%4d%4d%4d%8.2f%8.2f%4d" % (hkl[0], hkl[1], hkl[2], inten, sig, 1)
                     + "".join("%8.5f" % x for x in dc) + "\n")
        fh.write("   0   0   0    0.00    0.00   0\n")


if __name__ == "__main__":
    main()
