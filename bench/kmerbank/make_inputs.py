#!/usr/bin/env python3
"""Writes a synthetic kmerbank run into a directory: reference.fa of about
100 Mb over five chromosomes (soft-masked lower-case stretches, N runs inside
and at the ends, a few repeated segments), kmerbank.options with hashlen 31,
variants.prior with SNPs, insertions and deletions, and flank.loc.

TOTAL_MB scales the five chromosomes; the word human gives instead 24
chromosomes of the lengths of the human assembly GRCh38 (chr1-22, X, Y;
3.09 Gb in all). The hash table has about 2.7 slots per sampled k-mer (and
never fewer than 12,000,017 slots), a prime number of them.

usage: make_inputs.py DIR [TOTAL_MB|human]
"""
import os
import random
import sys

LINE = 60  # FASTA line length

# Chromosome lengths of GRCh38: chr1 to chr22, chrX, chrY.
HUMAN = [248956422, 242193529, 198295559, 190214555, 181538259, 170805979, 159345973, 145138636,
         138394717, 133797422, 135086622, 133275309, 114364328, 107043718, 101991189, 90338345,
         83257441, 80373285, 58617616, 64444167, 46709983, 50818468, 156040895, 57227415]


def prime_from(n):
    """The smallest prime not below n: an odd table size, so that the probe
    sequence of every key visits every slot."""
    def prime(k):
        if k < 2 or k % 2 == 0:
            return k == 2
        d = 3
        while d * d <= k:
            if k % d == 0:
                return False
            d += 2
        return True
    while not prime(n):
        n += 1
    return n


def chromosome(rng, length, repeat):
    # Random bases: one byte of the seeded stream per base, mapped onto ACGT.
    seq = bytearray(rng.randbytes(length).translate(bytes(b"ACGT"[b & 3] for b in range(256))))
    # Soft-masked stretches of 1-5 kb covering about a tenth of the chromosome.
    masked = 0
    while masked < length // 10:
        n = rng.randint(1000, 5000)
        at = rng.randrange(0, length - n)
        seq[at:at + n] = seq[at:at + n].lower()
        masked += n
    # A few N runs of 10-50 kb (assembly gaps).
    for _ in range(4):
        n = rng.randint(10000, 50000)
        at = rng.randrange(0, length - n)
        seq[at:at + n] = b"N" * n
    # Copies of one segment, so that the k-mer table gets duplicates.
    for _ in range(20):
        at = rng.randrange(0, length - len(repeat))
        seq[at:at + len(repeat)] = repeat
    # Telomere-like N runs at both ends; the trailing one is trimmed.
    seq[:10000] = b"N" * 10000
    seq[-10000:] = b"N" * 10000
    return seq


def main():
    out = sys.argv[1]
    size = sys.argv[2] if len(sys.argv) > 2 else "100"
    os.makedirs(out, exist_ok=True)
    rng = random.Random(2026)
    if size == "human":
        lengths = HUMAN
    else:
        shares = [0.24, 0.22, 0.20, 0.18, 0.16]
        lengths = [int(float(size) * 1e6 * s) for s in shares]
    repeat = bytes(rng.randbytes(2000).translate(bytes(b"ACGT"[b & 3] for b in range(256))))
    chroms = [chromosome(rng, n, repeat) for n in lengths]

    with open(os.path.join(out, "reference.fa"), "wb") as f:
        for i, seq in enumerate(chroms, 1):
            f.write(b">chr%d synthetic\n" % i)
            for at in range(0, len(seq), LINE):
                f.write(seq[at:at + LINE])
                f.write(b"\n")

    # mingap maxgap chromes maplngth maxhash maxdup / hashlen maxvar flanklen
    with open(os.path.join(out, "kmerbank.options"), "w") as f:
        # About 2.4 % of the positions of a random text give a k-mer.
        maxhash = prime_from(max(12000000, int(0.065 * sum(lengths))))
        f.write("  14  40  %d  %d  %d  200000\n" % (len(lengths), max(lengths) + 1000, maxhash))
        f.write("mingap maxgap chromes maplngth maxhash maxdup\n")
        f.write("(this line and the one above are not read)\n")
        f.write("  31  20000  50\n")

    swap = {"A": "G", "C": "T", "G": "A", "T": "C"}
    snps = []
    with open(os.path.join(out, "variants.prior"), "w") as f:
        f.write("chrom location type unused length allele\n")
        while len(snps) < 10000:
            c = rng.randrange(len(chroms))
            p = rng.randrange(20000, lengths[c] - 20000)
            base = chr(chroms[c][p - 1]).upper()
            if base not in swap:
                continue
            snps.append((c + 1, p))
            f.write("%d %d SNP 0 1 %s\n" % (c + 1, p, swap[base]))
        for k in range(500):
            c = rng.randrange(len(chroms))
            p = rng.randrange(20000, lengths[c] - 20000)
            f.write("%d %d %s 0 3 ACG\n" % (c + 1, p, "INS" if k % 2 else "DEL"))
    with open(os.path.join(out, "flank.loc"), "w") as f:
        for c, p in snps[::100]:
            f.write("%d %d\n" % (c, p))


if __name__ == "__main__":
    main()
