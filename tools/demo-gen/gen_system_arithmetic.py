"""Generated questions of part 01 (计算机系统基础): number bases, machine
numbers, memory sizing, pipeline timing and system reliability.

Every answer is computed here, and so are the distractors (the usual slips:
a flipped bit, the wrong code, the wrong formula). Run from anywhere:

    python3 tools/demo-gen/gen_system_arithmetic.py
"""

from fractions import Fraction

from banklib import Section, choice_lines, question, replace_block, rng_for, single

FILE = "01-计算机系统基础.txt"
START = 101  # generated ids start here; hand-written ones stay below


def powers_sum(n):
    return " + ".join("2^%d" % i for i in range(n.bit_length() - 1, -1, -1) if n >> i & 1)


def dec_to_bin(rng, sec):
    n = rng.randint(100, 250)
    right = format(n, "b")
    bits = rng.sample(range(len(right)), 3)
    wrong = [format(n ^ (1 << b), "b") for b in bits]
    opts, ans = single(rng, right, wrong)
    stem = choice_lines("十进制数 %d 转换为二进制数是（  ）。" % n, opts)
    ana = "用“除2取余、逆序排列”的方法，或把 %d 分解为2的幂之和：%d = %s，对应的二进制数为 %s。" % (
        n, n, powers_sum(n), right)
    return question(sec.take(), 11, sec.chapter, ["01000101"], 4, ans, stem, ana)


def bin_to_hex(rng, sec):
    n = rng.randint(0x400, 0xFFF)
    b = format(n, "012b")
    groups = " ".join(b[i:i + 4] for i in range(0, 12, 4))
    right = format(n, "X") + "H"
    wrong = [format(n ^ (1 << k), "X") + "H" for k in rng.sample(range(12), 2)]
    wrong.append(format(int(format(n, "012b")[::-1], 2), "X") + "H")  # grouped from the wrong end
    wrong.append(format(n ^ 0x100, "X") + "H")
    opts, ans = single(rng, right, wrong)
    stem = choice_lines("二进制数 %s 转换为十六进制数是（  ）。" % b, opts)
    ana = "从最低位起每4位一组：%s，每组对应一位十六进制数字，得 %s。" % (groups, right)
    return question(sec.take(), 11, sec.chapter, ["01000101"], 4, ans, stem, ana)


def hex_to_dec(rng, sec):
    hi = rng.randint(10, 15)
    lo = rng.randint(1, 9)
    n = hi * 16 + lo
    right = str(n)
    wrong = [str(hi * 10 + lo), str(lo * 16 + hi), str(n + 16), str(n - 16)]
    opts, ans = single(rng, right, wrong)
    h = "%X%X" % (hi, lo)
    stem = choice_lines("十六进制数 %sH 对应的十进制数是（  ）。" % h, opts)
    ana = "按权展开：%sH = %d×16 + %d = %d。注意十六进制数字 %s 表示 %d。" % (h, hi, lo, n, h[0], hi)
    return question(sec.take(), 11, sec.chapter, ["01000101"], 4, ans, stem, ana)


def fraction_to_bin(rng, sec):
    whole = rng.randint(5, 30)
    frac = Fraction(rng.choice([3, 5, 7, 9, 11, 13]), 16)
    value = whole + frac
    fb = format(frac.numerator * 16 // frac.denominator, "04b").rstrip("0")
    right = "%s.%s" % (format(whole, "b"), fb)
    wrong = ["%s.%s" % (format(whole, "b"), fb[::-1] if fb[::-1] != fb else fb + "1"),
             "%s.%s" % (format(whole ^ 1, "b"), fb),
             "%s.%s" % (format(whole, "b"), format(int(fb, 2) ^ 1, "0%db" % len(fb))),
             "%s.%s" % (format(whole ^ 2, "b"), fb)]
    dec = "%g" % float(value)
    opts, ans = single(rng, right, wrong)
    stem = choice_lines("十进制数 %s 转换为二进制数是（  ）。" % dec, opts)
    steps = []
    x = frac
    while x:
        y = x * 2
        steps.append("%s×2=%s 取%d" % ("%g" % float(x), "%g" % float(y), int(y)))
        x = y - int(y)
    ana = "整数部分 %d 用除2取余得 %s；小数部分用乘2取整：%s，得 .%s。合起来为 %s。" % (
        whole, format(whole, "b"), "，".join(steps), fb, right)
    return question(sec.take(), 11, sec.chapter, ["01000101"], 4, ans, stem, ana)


def largest(rng, sec):
    while True:
        vals = rng.sample(range(150, 200), 4)
        if max(vals) - sorted(vals)[-2] <= 6:
            break
    forms = [("(%s)2" % format(vals[0], "b"), "二进制"), ("(%s)8" % format(vals[1], "o"), "八进制"),
             ("(%d)10" % vals[2], "十进制"), ("(%s)16" % format(vals[3], "X"), "十六进制")]
    texts = [f for f, _ in forms]
    right = texts[vals.index(max(vals))]
    order = list(range(4))
    rng.shuffle(order)
    opts = [texts[i] for i in order]
    ans = "ABCD"[opts.index(right)]
    stem = choice_lines("下列数中，数值最大的是（  ）。", opts)
    ana = "统一转换为十进制比较：%s。最大的是 %s。" % (
        "，".join("%s = %d" % (texts[i], vals[i]) for i in order), right)
    return question(sec.take(), 11, sec.chapter, ["01000101"], 4, ans, stem, ana)


def hex_fill(rng, sec):
    hi, lo = rng.randint(2, 9), rng.randint(10, 15)
    frac = rng.choice([(0x8, "0.5"), (0x4, "0.25"), (0xC, "0.75")])
    n = hi * 16 + lo
    h = "%X%X.%X" % (hi, lo, frac[0])
    value = "%g" % (n + frac[0] / 16)
    stem = "将十六进制数 %s 转换为十进制数，结果为（  ）。" % h
    ana = "按权展开：%d×16^1 + %d×16^0 + %d×16^-1 = %d + %d + %s = %s。" % (
        hi, lo, frac[0], hi * 16, lo, frac[1], value)
    return question(sec.take(), 13, sec.chapter, ["01000101"], 1, value, stem, ana)


def neg_complement(rng, sec):
    n = rng.choice([k for k in range(20, 120) if k != 64])
    sign_mag = format(128 | n, "08b")
    ones = format(255 - n, "08b")
    twos = format(256 - n, "08b")
    positive = format(n, "08b")
    opts, ans = single(rng, twos, [sign_mag, ones, positive])
    stem = choice_lines("若机器字长为8位，则十进制整数 -%d 的补码是（  ）。" % n, opts)
    ana = "%d 的二进制为 %s，-%d 的原码为 %s，反码为 %s（符号位不变，数值位取反），补码为反码末位加1，即 %s。" % (
        n, positive, n, sign_mag, ones, twos)
    return question(sec.take(), 11, sec.chapter, ["01000102"], 4, ans, stem, ana)


def complement_value(rng, sec):
    v = rng.randint(129, 250)
    code = format(v, "08b")
    right = str(v - 256)
    wrong = [str(-(v - 128)), str(-(255 - v)), str(v)]
    opts, ans = single(rng, right, wrong)
    stem = choice_lines("某8位机器数为 %s，若它是补码，则其真值（十进制）为（  ）。" % code, opts)
    ana = "符号位为1，是负数。对补码再求补（数值位取反后加1）得原码 %s，即真值为 %s；也可直接计算 %d - 256 = %s。" % (
        format(128 | (256 - v), "08b"), right, v, right)
    return question(sec.take(), 11, sec.chapter, ["01000102"], 4, ans, stem, ana)


def chip_count(rng, sec):
    chip_k, chip_w, mul_k, mul_w = rng.choice([(2, 4, 8, 2), (1, 4, 16, 2), (4, 1, 4, 8), (8, 4, 4, 2), (16, 8, 4, 1)])
    mem_k, mem_w = chip_k * mul_k, chip_w * mul_w
    right = mul_k * mul_w
    wrong = [w for w in (mul_k, mul_w, right * 2, right // 2, right * 4) if w > 1]
    opts, ans = single(rng, str(right), [str(w) for w in wrong])
    stem = choice_lines("用 %dK×%d位 的存储芯片组成容量为 %dK×%d位 的存储器，共需要（  ）片芯片。" % (
        chip_k, chip_w, mem_k, mem_w), opts)
    ana = "位扩展：每组需要 %d÷%d = %d 片；字扩展：需要 %dK÷%dK = %d 组。共需 %d×%d = %d 片，也可直接用总容量之比 (%dK×%d)÷(%dK×%d) = %d 计算。" % (
        mem_w, chip_w, mul_w, mem_k, chip_k, mul_k, mul_w, mul_k, right, mem_k, mem_w, chip_k, chip_w, right)
    return question(sec.take(), 11, sec.chapter, ["01000303"], 4, ans, stem, ana)


def address_range(rng, sec):
    size_k = rng.choice([8, 16, 32])
    start = rng.choice([1, 2, 3]) * size_k * 1024
    end = start + size_k * 1024 - 1
    right = "%dKB" % size_k
    wrong = ["%dKB" % (size_k // 2), "%dKB" % (size_k * 2), "%dKB" % (size_k * 4)]
    opts, ans = single(rng, right, wrong)
    stem = choice_lines("某计算机主存按字节编址，地址从 %04XH 到 %04XH 的一段内存区域，其容量为（  ）。" % (start, end), opts)
    ana = "容量 = 末地址 - 首地址 + 1 = %04XH - %04XH + 1 = %04XH = %d 字节 = %dKB。" % (
        end, start, end - start + 1, end - start + 1, size_k)
    return question(sec.take(), 11, sec.chapter, ["01000303"], 4, ans, stem, ana)


def pipeline_time(rng, sec):
    times = [rng.randint(1, 3) for _ in range(4)]
    times[rng.randrange(4)] = 4
    n = rng.choice([50, 60, 80, 100])
    total = sum(times) + (n - 1) * max(times)
    wrong = [n * sum(times), (4 + n - 1) * max(times) + 1 if (4 + n - 1) * max(times) == total else (4 + n - 1) * max(times),
             sum(times) + n * max(times), sum(times) + (n - 1) * min(times)]
    opts, ans = single(rng, "%dns" % total, ["%dns" % w for w in wrong])
    stem = choice_lines("某指令流水线分为4段，各段所需时间依次为 %s。连续输入 %d 条指令（不考虑相关），全部执行完毕所需的时间为（  ）。" % (
        "、".join("%dns" % t for t in times), n), opts)
    ana = "流水线周期取最慢一段的时间 %dns。第一条指令需 %dns，其后每隔一个周期完成一条，总时间 = %d + (%d-1)×%d = %dns。" % (
        max(times), sum(times), sum(times), n, max(times), total)
    return question(sec.take(), 11, sec.chapter, ["01000204"], 4, ans, stem, ana)


def reliability(rng, sec):
    r1 = rng.choice([Fraction(9, 10), Fraction(95, 100), Fraction(98, 100)])
    r2 = rng.choice([Fraction(8, 10), Fraction(85, 100), Fraction(7, 10)])
    right = r1 * (1 - (1 - r2) ** 2)
    fmt = lambda x: ("%.4f" % float(x)).rstrip("0")
    wrong = [r1 * r2 * r2, 1 - (1 - r1) * (1 - r2) ** 2, r1 * r2, 1 - (1 - r1) * (1 - r2)]
    opts, ans = single(rng, fmt(right), [fmt(w) for w in wrong])
    stem = choice_lines("某系统由部件甲与一个并联子系统串联而成，并联子系统由两个相同的部件乙组成。部件甲的可靠度为 %s，部件乙的可靠度均为 %s，则该系统的可靠度为（  ）（结果保留4位小数）。" % (
        fmt(r1), fmt(r2)), opts)
    exact = ("%.8f" % float(right)).rstrip("0")
    ana = "并联子系统的可靠度 = 1 - (1-%s)^2 = %s；再与部件甲串联，系统可靠度 = %s × %s = %s%s。" % (
        fmt(r2), fmt(1 - (1 - r2) ** 2), fmt(r1), fmt(1 - (1 - r2) ** 2), exact,
        "" if exact == fmt(right) else " ≈ %s" % fmt(right))
    return question(sec.take(), 11, sec.chapter, ["01000405"], 4, ans, stem, ana)


def main():
    rng = rng_for("a01")
    out = []
    s = Section("010101", START)
    for make in (dec_to_bin, bin_to_hex, hex_to_dec, fraction_to_bin, largest, hex_fill):
        out.append(make(rng, s))
    s = Section("010102", START)
    out += [neg_complement(rng, s), complement_value(rng, s)]
    s = Section("010202", START)
    out.append(pipeline_time(rng, s))
    s = Section("010302", START)
    out += [chip_count(rng, s), address_range(rng, s)]
    s = Section("010402", START)
    out.append(reliability(rng, s))
    replace_block(FILE, "system-arithmetic", out)


if __name__ == "__main__":
    main()
