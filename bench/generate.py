#!/usr/bin/env python3
"""Deterministic benchmark workloads for qv3asm and peer 6502 assemblers.

Every workload is written once per syntax (QV3, 64tass, acme, dasm) with the
same lines in the same order, so line N of one file is line N of the others.
Beside the sources the generator writes the bytes it expects (NAME.expect.prg,
load address first) and a map from address to source line (NAME.map.tsv), so
a difference between tools can be traced to one line without guessing.

The workloads stay inside the common ground of all the tools:
  * every label at or above $1000, code below $FC00;
  * every constant defined before its first use; zero-page values only as
    literals or constants, never as forward references;
  * two-digit hex only for values below 256, four-digit hex only from $0200
    up (acme sizes by digit count, the others by value);
  * an expression is one term, term+n, term-n, <term or >term;
  * branches always in range, no JMP ($xxFF), no zero-page pointer at $FF.

Usage: generate.py --scale N --out DIR [--seed S] [--workloads code,symbols,data]
"""

import argparse
import bisect
import os
import random
import sys

# --- the documented NMOS 6502 instruction set --------------------------------

MODE_LENGTH = {
    "imp": 1, "imm": 2, "zp": 2, "zpx": 2, "zpy": 2, "abs": 3, "absx": 3,
    "absy": 3, "indx": 2, "indy": 2, "ind": 3, "rel": 2,
}
ZERO_PAGE_MODES = ("zp", "zpx", "zpy", "indx", "indy")

# mnemonic -> {mode: opcode}; the order of the columns follows the usual table
_COLUMNS = ("imp", "imm", "zp", "zpx", "zpy", "abs", "absx", "absy", "indx", "indy", "ind")
_TABLE = """
LDA - A9 A5 B5 - AD BD B9 A1 B1 -
STA - - 85 95 - 8D 9D 99 81 91 -
LDX - A2 A6 - B6 AE - BE - - -
STX - - 86 - 96 8E - - - - -
LDY - A0 A4 B4 - AC BC - - - -
STY - - 84 94 - 8C - - - - -
INC - - E6 F6 - EE FE - - - -
DEC - - C6 D6 - CE DE - - - -
CMP - C9 C5 D5 - CD DD D9 C1 D1 -
CPX - E0 E4 - - EC - - - - -
CPY - C0 C4 - - CC - - - - -
AND - 29 25 35 - 2D 3D 39 21 31 -
ORA - 09 05 15 - 0D 1D 19 01 11 -
EOR - 49 45 55 - 4D 5D 59 41 51 -
ASL 0A - 06 16 - 0E 1E - - - -
LSR 4A - 46 56 - 4E 5E - - - -
ROL 2A - 26 36 - 2E 3E - - - -
ROR 6A - 66 76 - 6E 7E - - - -
ADC - 69 65 75 - 6D 7D 79 61 71 -
SBC - E9 E5 F5 - ED FD F9 E1 F1 -
CLC 18 - - - - - - - - - -
SEC 38 - - - - - - - - - -
CLI 58 - - - - - - - - - -
SEI 78 - - - - - - - - - -
CLV B8 - - - - - - - - - -
SED F8 - - - - - - - - - -
CLD D8 - - - - - - - - - -
TXS 9A - - - - - - - - - -
INY C8 - - - - - - - - - -
DEY 88 - - - - - - - - - -
INX E8 - - - - - - - - - -
DEX CA - - - - - - - - - -
TXA 8A - - - - - - - - - -
TAX AA - - - - - - - - - -
TYA 98 - - - - - - - - - -
TAY A8 - - - - - - - - - -
PHA 48 - - - - - - - - - -
PLA 68 - - - - - - - - - -
PLP 28 - - - - - - - - - -
PHP 08 - - - - - - - - - -
TSX BA - - - - - - - - - -
JSR - - - - - 20 - - - - -
JMP - - - - - 4C - - - - 6C
RTS 60 - - - - - - - - - -
RTI 40 - - - - - - - - - -
NOP EA - - - - - - - - - -
BRK 00 - - - - - - - - - -
BIT - - 24 - - 2C - - - - -
"""
OPCODES = {}
for _row in _TABLE.split("\n"):
    if _row.strip():
        _name, *_cells = _row.split()
        OPCODES[_name] = {m: int(c, 16) for m, c in zip(_COLUMNS, _cells) if c != "-"}
for _name, _op in (("BNE", 0xD0), ("BEQ", 0xF0), ("BPL", 0x10), ("BMI", 0x30),
                   ("BCC", 0x90), ("BCS", 0xB0), ("BVS", 0x70), ("BVC", 0x50)):
    OPCODES[_name] = {"rel": _op}
BRANCHES = [m for m, modes in OPCODES.items() if "rel" in modes]

# Rough frequencies of real 6502 code; every mnemonic appears.
MNEMONIC_WEIGHT = {
    "LDA": 18, "STA": 14, "LDX": 5, "STX": 3, "LDY": 5, "STY": 3, "INC": 3, "DEC": 3,
    "CMP": 6, "CPX": 2, "CPY": 2, "AND": 3, "ORA": 3, "EOR": 2, "ASL": 2, "LSR": 2,
    "ROL": 1, "ROR": 1, "ADC": 4, "SBC": 3, "JSR": 6, "JMP": 3, "BIT": 1,
}
for _m in BRANCHES:
    MNEMONIC_WEIGHT[_m] = 3
for _m in ("INX", "INY", "DEX", "DEY", "TAX", "TAY", "TXA", "TYA", "CLC", "SEC", "RTS",
           "PHA", "PLA"):
    MNEMONIC_WEIGHT[_m] = 4
for _m in OPCODES:
    MNEMONIC_WEIGHT.setdefault(_m, 1)          # the rarer implied instructions

MODE_WEIGHT = {"imp": 10, "imm": 6, "zp": 5, "zpx": 2, "zpy": 1, "abs": 6, "absx": 3,
               "absy": 2, "indx": 1, "indy": 2, "ind": 1, "rel": 10}

LOAD_ADDRESS = 0x1000
CODE_LIMIT = 0xFC00
TOOLS = ("qv3", "64tass", "acme", "dasm")
SOURCE_NAME = {"qv3": "{}.qv3", "64tass": "{}.64tass.s", "acme": "{}.acme.a", "dasm": "{}.dasm.asm"}

WORDS = ("init", "loop", "copy", "screen", "colour", "sprite", "pointer", "table", "count",
         "wait", "raster", "sound", "read", "key", "joystick", "next", "done", "store",
         "clear", "scroll", "buffer", "index", "value", "check", "bank", "irq", "timer")
LABEL_STEMS = ("LOOP", "NEXT", "SKIP", "DONE", "INIT", "COPY", "TAB", "WAIT", "READ",
               "DRAW", "MOVE", "CHK", "SUB", "IRQ", "PTR", "BUF", "SET", "GET")
CONST_STEMS = ("ZP", "VAL", "CNT", "TMP", "POS", "COL", "ROW", "SPR", "CHR", "REG",
               "VEC", "IO", "MEM", "SCR", "SND", "KEY")


# --- operands -------------------------------------------------------------

class Term:
    """One term of an operand: a literal or a symbol, with its value."""

    def __init__(self, text, value=None, label=None):
        self.text = text
        self.value = value      # None for labels until the layout is done
        self.label = label      # label name whose address is the value


class Operand:
    """term, term+n, term-n, <term or >term."""

    def __init__(self, term, op=None, amount=0, select=None):
        self.term, self.op, self.amount, self.select = term, op, amount, select

    def text(self):
        core = self.term.text
        if self.op:
            core += self.op + str(self.amount)
        return (self.select or "") + core

    def value(self, labels):
        v = labels[self.term.label] if self.term.label else self.term.value
        if self.op == "+":
            v += self.amount
        elif self.op == "-":
            v -= self.amount
        if self.select == "<":
            v &= 0xFF
        elif self.select == ">":
            v = (v >> 8) & 0xFF
        return v


def hex2(v):
    return "$%02X" % v


def hex4(v):
    return "$%04X" % v


def byte_literal(rng, value):
    """A literal below 256 in one of the three notations."""
    kind = rng.random()
    if kind < 0.7:
        return Term(hex2(value), value)
    if kind < 0.9 and value > 0:
        return Term(str(value), value)      # no leading zero: dasm reads those as octal
    return Term("%" + format(value, "08b"), value)


# --- lines ----------------------------------------------------------------

class Line:
    """One source line, rendered per syntax; kind decides the rendering."""

    def __init__(self, kind, **fields):
        self.kind = kind
        self.label = None
        self.comment = None
        self.__dict__.update(fields)


def operand_text(mode, expr, upper_index):
    x, y = (",X", ",Y") if upper_index else (",x", ",y")
    return {
        "imp": "", "imm": "#" + expr, "zp": expr, "abs": expr, "rel": expr,
        "zpx": expr + x, "absx": expr + x, "zpy": expr + y, "absy": expr + y,
        "indx": "(" + expr + x + ")", "indy": "(" + expr + ")" + y, "ind": "(" + expr + ")",
    }[mode]


def render(line, tool):
    """The text of one line in the syntax of tool."""
    qv3 = tool == "qv3"
    rem = "//" if qv3 else ";"
    k = line.kind
    if k == "blank":
        return ""
    if k == "comment":
        return rem + " " + line.text
    if k == "header":
        if tool == "dasm":
            return "\tprocessor 6502 ; " + line.text
        return rem + " " + line.text
    if k == "origin":
        if qv3:
            return "ORIGIN " + hex4(line.address)
        if tool == "dasm":
            return "\torg " + hex4(line.address)
        return "\t* = " + hex4(line.address)
    if k == "const":
        return line.name + " = " + line.value_text
    if k == "label":
        return line.name + ":"
    if k == "instr":
        mnem = line.mnem if qv3 else line.mnem.lower()
        expr = line.operand.text() if line.operand else ""
        ops = operand_text(line.mode, expr, qv3)
        body = mnem + (" " + ops if ops else "")
    elif k == "data":
        if qv3:
            body = ("BIN.B " if line.width == 1 else "BIN.W ") + " ".join(line.texts)
        else:
            word = {"64tass": (".byte", ".word"), "acme": ("!byte", "!word"),
                    "dasm": ("dc.b", "dc.w")}[tool][line.width - 1]
            body = word + " " + ", ".join(line.texts)
    else:
        raise ValueError(k)
    indent = line.indent if qv3 else "\t"
    text = (line.label + ": " + body) if line.label else (indent + body)
    if line.comment:
        text += " " + rem + " " + line.comment
    return text


def comment_text(rng):
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(2, 6)))


class NameMaker:
    """Unique upper-case names: a stem and a serial number, so that no name
    can ever be a mnemonic, a register or a directive."""

    def __init__(self, rng, stems):
        self.rng, self.stems, self.serial = rng, stems, 0

    def __call__(self):
        self.serial += 1
        return "%s%d" % (self.rng.choice(self.stems), self.serial)


def weighted_choice(rng, items, weights):
    return rng.choices(items, weights)[0]


# --- layout and bytes ---------------------------------------------------------

def layout(lines):
    """Assign addresses to every code line and label; returns the label table."""
    labels = {}
    address = 0
    for line in lines:
        if line.kind == "origin":
            address = line.address
        line.address = address
        if line.kind == "label" or (line.kind in ("instr", "data") and line.label):
            name = line.name if line.kind == "label" else line.label
            labels[name] = address
        if line.kind == "instr":
            line.size = MODE_LENGTH[line.mode]
        elif line.kind == "data":
            line.size = line.width * len(line.values)
        else:
            line.size = 0
        address += line.size
    if address > CODE_LIMIT:
        raise SystemExit("workload too large: ends at $%04X" % address)
    return labels


def encode(lines, labels):
    """The expected .prg bytes: load address, then every code byte."""
    out = bytearray([LOAD_ADDRESS & 0xFF, LOAD_ADDRESS >> 8])
    for line in lines:
        if line.kind == "instr":
            out.append(OPCODES[line.mnem][line.mode])
            if line.mode == "imp":
                continue
            v = line.operand.value(labels)
            if line.mode == "rel":
                v = v - line.address - 2
                assert -128 <= v <= 127, (line.address, line.operand.text())
                out.append(v & 0xFF)
            elif MODE_LENGTH[line.mode] == 2:
                assert 0 <= v <= 255, (line.address, line.mnem, line.operand.text(), v)
                out.append(v)
            else:
                assert 0x100 <= v <= 0xFFFF, (line.address, line.operand.text(), v)
                if line.mode == "ind":
                    assert v & 0xFF != 0xFF
                out += bytes((v & 0xFF, v >> 8))
        elif line.kind == "data":
            for v in line.values:
                out.append(v & 0xFF)
                if line.width == 2:
                    out.append(v >> 8)
    return bytes(out)


# --- the code workload --------------------------------------------------------

CODE_INSTRUCTIONS = 20001


def code_templates():
    pairs, weights = [], []
    for mnem, modes in OPCODES.items():
        for mode in modes:
            pairs.append((mnem, mode))
            weights.append(MNEMONIC_WEIGHT[mnem] * MODE_WEIGHT[mode])
    return pairs, weights


def code_operand(rng, mode, mnem, label_names):
    """An operand for mode; label references are resolved after the layout."""
    if mode == "imp":
        return None
    if mode == "imm":
        r = rng.random()
        if r < 0.15 and label_names:
            return Operand(Term(rng.choice(label_names), label=None), select=rng.choice("<>"))
        v = rng.randrange(256)
        if r < 0.3:
            k = rng.randint(1, 9)
            if v + k <= 255:
                return Operand(Term(hex2(v), v), "+", k)
            return Operand(Term(hex2(v), v), "-", k)
        return Operand(byte_literal(rng, v))
    if mode in ZERO_PAGE_MODES:
        v = rng.randrange(2, 0xFE)
        if rng.random() < 0.15:
            k = rng.randint(1, 3)   # v stays within 2..$FD, so v-k never goes negative
            if v + k <= 0xFE:
                return Operand(Term(hex2(v), v), "+", k)
            return Operand(Term(hex2(v), v), "-", k)
        return Operand(Term(hex2(v), v))
    if mode == "rel":
        return None                  # chosen once the addresses are known
    # absolute, absolute indexed, JMP indirect: labels or I/O and RAM addresses
    if rng.random() < 0.7 and label_names:
        name = rng.choice(label_names)
        r = rng.random()
        if mode != "ind" and r < 0.2:
            return Operand(Term(name), rng.choice("+-"), rng.randint(1, 16))
        return Operand(Term(name))
    v = rng.randrange(0x0200, 0xFFF0)
    if mode == "ind" and v & 0xFF == 0xFF:
        v -= 1
    return Operand(Term(hex4(v), v))


def fix_label_terms(lines):
    for line in lines:
        op = getattr(line, "operand", None)
        if op and op.term.value is None and op.term.label is None:
            op.term.label = op.term.text


def resolve_code_targets(rng, lines, labels):
    """Pick in-range branch targets and keep JMP ($xxFF) out."""
    by_address = sorted((a, n) for n, a in labels.items())
    addresses = [a for a, _ in by_address]
    for line in lines:
        if line.kind != "instr":
            continue
        if line.mode == "rel":
            lo = bisect.bisect_left(addresses, line.address + 2 - 128)
            hi = bisect.bisect_right(addresses, line.address + 2 + 127)
            if hi > lo:
                name = by_address[rng.randrange(lo, hi)][1]
                line.operand = Operand(Term(name, label=name))
            else:                    # nothing in reach: same size, no branch
                line.mnem, line.mode = "CMP", "imm"
                line.operand = Operand(Term(hex2(0x20), 0x20))
        elif line.mode == "ind" and line.operand.term.label:
            while (line.operand.value(labels) & 0xFF) == 0xFF:
                name = rng.choice(by_address)[1]
                line.operand = Operand(Term(name, label=name))


def code_workload(scale, rng):
    """Per-line work: many mnemonics and modes, labels, branches, comments.
    The code stays the same at every scale (64 KB is the limit); more labels
    and comment lines make the larger scales."""
    total_lines = 23834 * scale
    label_count = round(2213 + 9533.5 * (scale - 1))
    inline_labels = min(1200, label_count)
    own_line_labels = label_count - inline_labels
    header = 3
    filler = total_lines - CODE_INSTRUCTIONS - own_line_labels - header
    comment_lines = filler * 4 // 5
    blank_lines = filler - comment_lines

    names = NameMaker(rng, LABEL_STEMS)
    label_names = [names() for _ in range(label_count)]
    inline_set = set(rng.sample(range(CODE_INSTRUCTIONS), inline_labels))
    # Where the own-line labels, comment lines and blank lines go: before
    # instruction i, spread at random.
    before = [[] for _ in range(CODE_INSTRUCTIONS + 1)]
    extra = ([("label", n) for n in label_names[inline_labels:]]
             + [("comment", None)] * comment_lines + [("blank", None)] * blank_lines)
    for item in extra:
        before[rng.randrange(CODE_INSTRUCTIONS)].append(item)

    pairs, weights = code_templates()
    lines = [Line("header", text="QV3 benchmark workload: code, scale %d" % scale),
             Line("blank"), Line("origin", address=LOAD_ADDRESS)]
    inline_names = iter(label_names[:inline_labels])
    for i in range(CODE_INSTRUCTIONS):
        for kind, name in before[i]:
            if kind == "label":
                lines.append(Line("label", name=name))
            elif kind == "comment":
                lines.append(Line("comment", text=comment_text(rng)))
            else:
                lines.append(Line("blank"))
        mnem, mode = weighted_choice(rng, pairs, weights)
        line = Line("instr", mnem=mnem, mode=mode,
                    operand=code_operand(rng, mode, mnem, label_names),
                    indent=rng.choice(("\t", "        ", "  ")))
        if i in inline_set:
            line.label = next(inline_names)
        if rng.random() < 0.25:
            line.comment = comment_text(rng)
        lines.append(line)
    fix_label_terms(lines)
    labels = layout(lines)
    resolve_code_targets(rng, lines, labels)
    return lines, labels


# --- the symbols workload -------------------------------------------------

SYMBOL_INSTRUCTIONS = 20001


def symbol_operand_choices(value):
    """(mnemonic, mode, op, amount, select) that suit a constant's value."""
    if value < 256:
        c = [("LDA", "zp", None, 0, None), ("STA", "zpx", None, 0, None),
             ("LDA", "imm", None, 0, None), ("CMP", "imm", None, 0, None),
             ("INC", "zp", None, 0, None), ("LDX", "zpy", None, 0, None),
             ("ADC", "zpx", None, 0, None), ("BIT", "zp", None, 0, None)]
        if value <= 0xFD:
            c += [("LDA", "indy", None, 0, None), ("STA", "indx", None, 0, None),
                  ("ADC", "imm", "+", 1, None), ("STA", "zp", "+", 1, None)]
        if value >= 1:
            c += [("SBC", "imm", "-", 1, None)]
        return c
    c = [("LDA", "abs", None, 0, None), ("STA", "absx", None, 0, None),
         ("LDA", "absy", None, 0, None), ("JSR", "abs", None, 0, None),
         ("LDA", "imm", None, 0, "<"), ("LDX", "imm", None, 0, ">"),
         ("INC", "absx", None, 0, None), ("CMP", "absy", None, 0, None),
         ("STA", "abs", "+", 1, None), ("LDY", "absx", "-", 1, None)]
    if value & 0xFF != 0xFF:
        c.append(("JMP", "ind", None, 0, None))
    return c


def symbols_workload(scale, rng):
    """The symbol table: many constants, all defined before the code that
    references them at random."""
    count = 100000 * scale + 1
    names = NameMaker(rng, CONST_STEMS)
    consts = []
    lines = [Line("header", text="QV3 benchmark workload: symbols, scale %d" % scale),
             Line("blank")]
    for _ in range(count):
        name = names()
        if rng.random() < 0.4:
            value = rng.randrange(256)
            text = hex2(value)
        else:
            value = rng.randrange(0x0200, 0xFFF0)
            text = hex4(value)
        consts.append((name, value))
        lines.append(Line("const", name=name, value_text=text))
    lines += [Line("blank"), Line("comment", text="code referencing the constants"),
              Line("origin", address=LOAD_ADDRESS)]
    for _ in range(SYMBOL_INSTRUCTIONS):
        name, value = rng.choice(consts)
        mnem, mode, op, amount, select = rng.choice(symbol_operand_choices(value))
        lines.append(Line("instr", mnem=mnem, mode=mode, indent="\t",
                          operand=Operand(Term(name, value), op, amount, select)))
    return lines, layout(lines)


# --- the data workload ----------------------------------------------------

DATA_BYTES = 51200


def data_workload(scale, rng):
    """Data directives: a fixed amount of bytes spread over more, shorter
    lines as the scale grows."""
    data_lines = 3300 * scale
    comments = 184 * scale
    label_count = 50 * scale
    names = NameMaker(rng, ("TAB", "DAT", "GFX", "MUS", "TXT", "FNT"))
    # what stands before data line i
    before = [[] for _ in range(data_lines)]
    for item in [("label", None)] * label_count + [("comment", None)] * comments:
        before[rng.randrange(data_lines)].append(item)

    lines = [Line("header", text="QV3 benchmark workload: data, scale %d" % scale),
             Line("blank"), Line("origin", address=LOAD_ADDRESS)]
    remaining = DATA_BYTES
    for i in range(data_lines):
        for kind, _ in before[i]:
            if kind == "label":
                lines.append(Line("label", name=names()))
            else:
                lines.append(Line("comment", text=comment_text(rng)))
        target = max(1, round(remaining / (data_lines - i)))
        if i == data_lines - 1:
            target = max(1, remaining)
        width = 2 if (rng.random() < 0.3 and target >= 2) else 1
        count = max(1, target // width)
        values, texts = [], []
        for _ in range(count):
            if width == 1:
                v = rng.randrange(256)
                texts.append(byte_literal(rng, v).text)
            else:
                v = rng.randrange(0x10000)
                texts.append(hex4(v) if v >= 0x200 else (str(v) if v else "0"))
            values.append(v)
        remaining -= width * count
        line = Line("data", width=width, values=values, texts=texts,
                    indent=rng.choice(("\t", "        ")))
        if rng.random() < 0.05:
            line.comment = comment_text(rng)
        lines.append(line)
    return lines, layout(lines)


# --- output -------------------------------------------------------------------

WORKLOADS = {"code": code_workload, "symbols": symbols_workload, "data": data_workload}
WORKLOAD_SEED = {"code": 6502, "symbols": 1541, "data": 264}


def write_workload(out_dir, name, lines, labels):
    for tool in TOOLS:
        eol = "\r\n" if tool == "qv3" else "\n"   # .qv3 sources use CR LF
        path = os.path.join(out_dir, SOURCE_NAME[tool].format(name))
        with open(path, "w", encoding="latin-1", newline="") as f:
            f.write(eol.join(render(line, tool) for line in lines) + eol)
    with open(os.path.join(out_dir, name + ".expect.prg"), "wb") as f:
        f.write(encode(lines, labels))
    with open(os.path.join(out_dir, name + ".map.tsv"), "w") as f:
        f.write("address\tsize\tline\n")
        for number, line in enumerate(lines, 1):
            if line.size:
                f.write("%04X\t%d\t%d\n" % (line.address, line.size, number))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--scale", type=int, default=1)
    parser.add_argument("--out", required=True)
    parser.add_argument("--seed", type=int, default=0,
                        help="added to each workload's fixed seed")
    parser.add_argument("--workloads", default=",".join(WORKLOADS))
    args = parser.parse_args(argv)
    if args.scale < 1:
        parser.error("--scale must be at least 1")
    os.makedirs(args.out, exist_ok=True)
    for name in args.workloads.split(","):
        if name not in WORKLOADS:
            parser.error("unknown workload " + name)
        rng = random.Random(WORKLOAD_SEED[name] + args.seed)
        lines, labels = WORKLOADS[name](args.scale, rng)
        write_workload(args.out, name, lines, labels)
        code = sum(line.size for line in lines)
        print("%-8s scale %d: %7d lines, %6d symbols, %6d bytes of code"
              % (name, args.scale, len(lines),
                 len(labels) + sum(1 for l in lines if l.kind == "const"), code))
    return 0


if __name__ == "__main__":
    sys.exit(main())
