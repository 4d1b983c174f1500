"""Generated questions of part 02 (操作系统): page replacement, address
translation, CPU scheduling, the banker's algorithm, resource counts for
deadlock freedom, semaphore ranges and disk scheduling.

Each question is simulated here; data that would make the answer depend on a
tie-breaking convention are rejected and drawn again.

    python3 tools/demo-gen/gen_os_simulations.py
"""

import itertools
from fractions import Fraction

from banklib import Section, choice_lines, multiple, question, replace_block, rng_for, single

FILE = "02-操作系统.txt"
START = 101
ALGO = {"FIFO": "先进先出（FIFO）", "LRU": "最近最久未使用（LRU）", "OPT": "最佳置换（OPT）"}


# ---------------------------------------------------------------- paging

def page_faults(refs, frames, algo):
    """Returns the list of (position, page, evicted or None) for every fault."""
    mem = []
    faults = []
    for i, p in enumerate(refs):
        if p in mem:
            if algo == "LRU":
                mem.remove(p)
                mem.append(p)
            continue
        victim = None
        if len(mem) == frames:
            if algo in ("FIFO", "LRU"):
                victim = mem[0]
            else:
                def next_use(q):
                    rest = refs[i + 1:]
                    return rest.index(q) if q in rest else len(refs)
                victim = max(mem, key=next_use)
            mem.remove(victim)
        mem.append(p)
        faults.append((i, p, victim))
    return faults


def replacement(rng, sec, algo):
    while True:
        frames = rng.choice([3, 3, 4])
        n = rng.randint(12, 15)
        refs = [rng.randint(0, 5 if frames == 3 else 6) for _ in range(n)]
        if any(refs[i] == refs[i + 1] for i in range(n - 1)):
            continue
        counts = {a: len(page_faults(refs, frames, a)) for a in ALGO}
        if len(set(counts.values())) == 3:
            break
    right = counts[algo]
    wrong = [counts[a] for a in ALGO if a != algo] + [right + 1, right - 1, right + 2]
    opts, ans = single(rng, str(right), [str(w) for w in wrong])
    stem = choice_lines("某进程分配到%d个物理块，开始时内存中没有该进程的页面。进程依次访问的页面号为：%s。采用%s页面置换算法时，缺页次数为（  ）。" % (
        frames, "，".join(map(str, refs)), ALGO[algo]), opts)
    trace = "、".join("%d" % p if v is None else "%d(淘汰%d)" % (p, v) for _, p, v in page_faults(refs, frames, algo))
    ana = "按%s算法逐个模拟，发生缺页的访问依次为：%s，共缺页%d次，缺页率为 %d/%d。" % (
        algo, trace, right, right, n)
    return question(sec.take(), 11, sec.chapter, ["02000405"], 4, ans, stem, ana)


def translate(rng, sec, hexa):
    size_k = rng.choice([1, 2, 4])
    size = size_k * 1024
    frames = rng.sample(range(3, 16), 4)
    page = rng.randint(1, 3)
    offset = rng.randint(1, size - 1)
    logical = page * size + offset
    right = frames[page] * size + offset
    wrong = [frames[page - 1] * size + offset, frames[(page + 1) % 4] * size + offset,
             frames[page] * size, logical]
    fmt = (lambda v: "%XH" % v) if hexa else str
    opts, ans = single(rng, fmt(right), [fmt(w) for w in wrong])
    table = "\n".join(["| 页号 | 物理块号 |"] + ["| %d | %d |" % (i, f) for i, f in enumerate(frames)])
    q = "该进程的逻辑地址 %s对应的物理地址是（  ）。" % ("%s " % fmt(logical) if hexa else "%d（十进制）" % logical)
    stem = "某分页系统的页面大小为%dKB，某进程的页表如下（页号和块号都从0开始）：\n\n%s\n\n%s" % (
        size_k, table, choice_lines(q, opts))
    if hexa:
        bits = size.bit_length() - 1
        ana = "页面大小为 2^%d 字节，逻辑地址的低%d位是页内偏移。%XH 的页号为 %d，偏移为 %XH；查页表得块号 %d，物理地址 = %d×%d + %XH = %XH。" % (
            bits, bits, logical, page, offset, frames[page], frames[page], size, offset, right)
    else:
        ana = "页号 = %d / %d 取整 = %d，页内偏移 = %d - %d = %d。查页表得块号为 %d，物理地址 = %d×%d + %d = %d。" % (
            logical, size, page, logical, page * size, offset, frames[page], frames[page], size, offset, right)
    return question(sec.take(), 11, sec.chapter, ["02000402"], 4, ans, stem, ana)


# ------------------------------------------------------------ scheduling

class Tie(Exception):
    pass


def pick(cands, key):
    best = min(key(c) for c in cands)
    chosen = [c for c in cands if key(c) == best]
    if len(chosen) > 1:
        raise Tie()
    return chosen[0]


def schedule(procs, algo, quantum=None):
    """procs: list of (name, arrival, burst). Returns (runs, finish) with
    runs as (name, start, end) slices."""
    t = 0
    runs = []
    finish = {}
    if algo in ("FCFS", "SJF", "HRRN"):
        left = list(procs)
        while left:
            ready = [p for p in left if p[1] <= t]
            if not ready:
                t = min(p[1] for p in left)
                continue
            if algo == "FCFS":
                p = pick(ready, lambda p: p[1])
            elif algo == "SJF":
                p = pick(ready, lambda p: p[2])
            else:
                p = pick(ready, lambda p: -Fraction(t - p[1] + p[2], p[2]))
            runs.append((p[0], t, t + p[2]))
            t += p[2]
            finish[p[0]] = t
            left.remove(p)
    elif algo == "SRTF":
        rem = {p[0]: p[2] for p in procs}
        arrive = {p[0]: p[1] for p in procs}
        while rem:
            ready = [n for n in rem if arrive[n] <= t]
            if not ready:
                t = min(arrive[n] for n in rem)
                continue
            n = pick(ready, lambda n: rem[n])
            nxt = [arrive[m] for m in rem if arrive[m] > t]
            end = min([t + rem[n]] + nxt)
            if runs and runs[-1][0] == n and runs[-1][2] == t:
                runs[-1] = (n, runs[-1][1], end)
            else:
                runs.append((n, t, end))
            rem[n] -= end - t
            t = end
            if rem[n] == 0:
                finish[n] = t
                del rem[n]
    else:  # RR with every process present at time 0
        queue = [[p[0], p[2]] for p in procs]
        while queue:
            n, r = queue.pop(0)
            d = min(quantum, r)
            runs.append((n, t, t + d))
            t += d
            if r > d:
                queue.append([n, r - d])
            else:
                finish[n] = t
    return runs, finish


SCHED = {"FCFS": "先来先服务（FCFS）", "SJF": "非抢占式短作业优先（SJF）", "HRRN": "高响应比优先（HRRN，非抢占）",
         "SRTF": "抢占式最短剩余时间优先（SRTF）"}


def avg_turnaround(procs, finish):
    return Fraction(sum(finish[p[0]] - p[1] for p in procs), len(procs))


def fmt_avg(x):
    return ("%.2f" % float(x)).rstrip("0").rstrip(".")


def sched_question(rng, sec, algo):
    while True:
        n = 4 if algo != "HRRN" else 5
        arr = sorted(rng.sample(range(1, 8), n - 1))
        procs = [("P%d" % (i + 1), a, rng.randint(2, 9)) for i, a in enumerate([0] + arr)]
        try:
            results = {a: schedule(procs, a) for a in SCHED}
        except Tie:
            continue
        avgs = {a: avg_turnaround(procs, results[a][1]) for a in SCHED}
        if len({fmt_avg(v) for v in avgs.values()}) < 3:
            continue
        if algo != "FCFS" and fmt_avg(avgs[algo]) == fmt_avg(avgs["FCFS"]):
            continue
        # a preemptive question must show a preemption, else it is the SJF question again
        if algo == "SRTF" and (len(results["SRTF"][0]) == len(procs) or fmt_avg(avgs["SRTF"]) == fmt_avg(avgs["SJF"])):
            continue
        if any(results[algo][1][p[0]] > 60 for p in procs):
            continue
        break
    runs, finish = results[algo]
    right = fmt_avg(avgs[algo])
    wrong = [fmt_avg(v) for a, v in avgs.items() if a != algo]
    wrong += [fmt_avg(avgs[algo] + Fraction(1, 2)), fmt_avg(avgs[algo] - 1)]
    opts, ans = single(rng, right, wrong)
    table = "\n".join(["| 进程 | 到达时间 | 运行时间 |"] + ["| %s | %d | %d |" % p for p in procs])
    stem = "有%d个进程，它们的到达时间和运行时间如下表所示（单位：ms）。\n\n%s\n\n%s" % (
        len(procs), table, choice_lines("采用%s调度算法时，这些进程的平均周转时间为（  ）ms。" % SCHED[algo], opts))
    order = "、".join("%s(%d-%d)" % r for r in runs)
    each = "，".join("%s为%d" % (p[0], finish[p[0]] - p[1]) for p in procs)
    ana = "执行过程为 %s。周转时间 = 完成时间 - 到达时间：%s，平均周转时间 = %d/%d = %s ms。" % (
        order, each, sum(finish[p[0]] - p[1] for p in procs), len(procs), right)
    return question(sec.take(), 11, sec.chapter, ["02000202", "02000201"], 4, ans, stem, ana)


def in_order(procs):
    """Average turnaround when processes all present at time 0 run one after another."""
    t = total = 0
    for p in procs:
        t += p[2]
        total += t
    return Fraction(total, len(procs))


def rr_question(rng, sec):
    q = rng.choice([2, 3, 4])
    while True:
        procs = [("P%d" % (i + 1), 0, rng.randint(2, 10)) for i in range(4)]
        if all(p[2] <= q for p in procs):
            continue
        runs, finish = schedule(procs, "RR", q)
        a = avg_turnaround(procs, finish)
        b = in_order(procs)
        if fmt_avg(a) != fmt_avg(b):
            break
    sjf = in_order(sorted(procs, key=lambda p: p[2]))
    right = fmt_avg(a)
    opts, ans = single(rng, right, [fmt_avg(b), fmt_avg(sjf), fmt_avg(a + 1), fmt_avg(a - Fraction(1, 2))])
    table = "\n".join(["| 进程 | 运行时间 |"] + ["| %s | %d |" % (p[0], p[2]) for p in procs])
    stem = "4个进程在时刻0按 P1、P2、P3、P4 的顺序同时进入就绪队列，运行时间如下表所示（单位：ms）。\n\n%s\n\n%s" % (
        table, choice_lines("采用时间片轮转调度算法，时间片为%dms（忽略切换开销），则平均周转时间为（  ）ms。" % q, opts))
    ana = "按队列顺序轮流执行，各进程的完成时刻为：%s。它们都在时刻0到达，平均周转时间 = %d/4 = %s ms。" % (
        "，".join("%s为%d" % (p[0], finish[p[0]]) for p in procs), sum(finish.values()), right)
    return question(sec.take(), 11, sec.chapter, ["02000202"], 4, ans, stem, ana)


# --------------------------------------------------------------- banker

def vec(v):
    return " ".join(map(str, v))


def is_safe(order, alloc, need, avail):
    work = list(avail)
    for i in order:
        if any(n > w for n, w in zip(need[i], work)):
            return False
        work = [w + a for w, a in zip(work, alloc[i])]
    return True


def banker_state(rng):
    while True:
        maxm = [[rng.randint(1, 9) for _ in range(3)] for _ in range(5)]
        alloc = [[rng.randint(0, m) for m in row] for row in maxm]
        need = [[m - a for m, a in zip(mr, ar)] for mr, ar in zip(maxm, alloc)]
        avail = [rng.randint(1, 4) for _ in range(3)]
        perms = list(itertools.permutations(range(5)))
        safe = [p for p in perms if is_safe(p, alloc, need, avail)]
        runnable = [i for i in range(5) if all(n <= w for n, w in zip(need[i], avail))]
        if 2 <= len(safe) <= 30 and len(runnable) >= 2 and all(any(need[i]) for i in range(5)):
            return maxm, alloc, need, avail, safe


def banker_stem(maxm, alloc, avail):
    table = "\n".join(["| 进程 | 最大需求（A B C） | 已分配（A B C） |"] +
                      ["| P%d | %s | %s |" % (i, vec(maxm[i]), vec(alloc[i])) for i in range(5)])
    return "某系统有A、B、C三类资源，5个进程P0～P4在T0时刻的资源使用情况如下表所示，此时系统剩余的可用资源向量为（%s）。\n\n%s\n\n" % (
        vec(avail), table)


def and_list(items):
    return "、".join(items[:-1]) + "和" + items[-1]


def seq(p):
    return "P%d、P%d、P%d、P%d、P%d" % p


def near_unsafe(rng, safe, alloc, need, avail, k):
    """Unsafe orders that begin with a process that can run, so each option needs checking."""
    perms = [p for p in itertools.permutations(range(5)) if p not in safe]
    good = [p for p in perms if all(n <= w for n, w in zip(need[p[0]], avail))]
    rng.shuffle(good)
    rng.shuffle(perms)
    out = []
    for p in good + perms:
        if p not in out:
            out.append(p)
        if len(out) == k:
            return out
    raise ValueError("not enough unsafe orders")


def safety_trace(order, alloc, need, avail):
    work = list(avail)
    steps = []
    for i in order:
        work = [w + a for w, a in zip(work, alloc[i])]
        steps.append("P%d完成后可用（%s）" % (i, vec(work)))
    return "；".join(steps)


def failure_note(order, alloc, need, avail):
    work = list(avail)
    for i in order:
        if any(n > w for n, w in zip(need[i], work)):
            return "“%s”中轮到P%d时可用资源为（%s），不能满足其尚需（%s）" % (seq(order), i, vec(work), vec(need[i]))
        work = [w + a for w, a in zip(work, alloc[i])]
    return ""


def banker_single(rng, sec):
    maxm, alloc, need, avail, safe = banker_state(rng)
    right = rng.choice(safe)
    wrong = near_unsafe(rng, safe, alloc, need, avail, 3)
    opts, ans = single(rng, seq(right), [seq(w) for w in wrong])
    stem = banker_stem(maxm, alloc, avail) + choice_lines("下列进程序列中，是T0时刻安全序列的是（  ）。", opts)
    ana = "尚需矩阵 Need = Max - Allocation，依次为 %s。按“%s”检查：%s，全部进程都能完成，是安全序列。其余选项如%s，不安全。" % (
        "，".join("P%d（%s）" % (i, vec(need[i])) for i in range(5)), seq(right),
        safety_trace(right, alloc, need, avail), failure_note(wrong[0], alloc, need, avail))
    return question(sec.take(), 11, sec.chapter, ["02000204"], 4, ans, stem, ana)


def banker_multiple(rng, sec):
    maxm, alloc, need, avail, safe = banker_state(rng)
    k = rng.choice([2, 3]) if len(safe) >= 3 else 2
    right = rng.sample(safe, k)
    wrong = near_unsafe(rng, safe, alloc, need, avail, 5 - k)
    opts, ans = multiple(rng, [(seq(p), True) for p in right] + [(seq(p), False) for p in wrong])
    stem = banker_stem(maxm, alloc, avail) + choice_lines("下列进程序列中，是T0时刻安全序列的有（  ）。", opts)
    ana = "尚需矩阵 Need 依次为 %s。对每个序列用可用资源向量逐个检查，安全的序列是%s；%s，因而不安全。" % (
        "，".join("P%d（%s）" % (i, vec(need[i])) for i in range(5)), and_list(["“%s”" % seq(p) for p in right]),
        "；".join(failure_note(p, alloc, need, avail) for p in wrong))
    return question(sec.take(), 14, sec.chapter, ["02000204"], 5, ans, stem, ana)


# ------------------------------------------------- counting and ranges

def min_resources(rng, sec):
    k, m = rng.choice([(3, 4), (4, 3), (5, 3), (6, 2), (3, 5), (4, 4)])
    right = k * (m - 1) + 1
    opts, ans = single(rng, str(right), [str(right - 1), str(k * m), str(k * m - 1 if k * m - 1 != right else k * m + 1), str(right + k)])
    stem = choice_lines("某系统中有%d个并发进程，都需要使用同类资源R，每个进程最多需要%d个。为保证系统不会发生死锁，系统中资源R的数量至少为（  ）。" % (k, m), opts)
    ana = "最坏情况下每个进程都已得到 %d-1 = %d 个资源而再申请1个。此时只要再多1个资源，就有一个进程能够运行完并释放资源。故至少需要 %d×%d + 1 = %d 个。" % (
        m, m - 1, k, m - 1, right)
    return question(sec.take(), 11, sec.chapter, ["02000204"], 4, ans, stem, ana)


def max_processes(rng, sec):
    r, m = rng.choice([(8, 3), (10, 3), (11, 4), (9, 2), (13, 4)])
    right = (r - 1) // (m - 1)
    opts, ans = single(rng, str(right), [str(right + 1), str(r // m), str(right - 1), str(right + 2), str(r // (m - 1) + 1)])
    stem = choice_lines("某系统有%d台同类设备，供若干进程共享，每个进程最多需要%d台。为保证系统不会发生死锁，最多允许（  ）个进程并发执行。" % (r, m), opts)
    ana = "n个进程不会死锁的条件是 n×(%d-1) + 1 ≤ %d，即 n ≤ (%d-1)/%d，n 的最大整数值为 %d。" % (
        m, r, r, m - 1, right)
    return question(sec.take(), 11, sec.chapter, ["02000204"], 4, ans, stem, ana)


def max_demand(rng, sec):
    r, k = rng.choice([(10, 3), (13, 4), (9, 4), (16, 5)])
    right = (r - 1) // k + 1
    opts, ans = single(rng, str(right), [str(right + 1), str(right - 1), str(r // k + 2), str(r // k), str(right + 2)])
    stem = choice_lines("某系统有%d个同类资源，有%d个进程共享这些资源。为保证系统不会发生死锁，每个进程最多可以申请的资源数为（  ）。" % (r, k), opts)
    ana = "设每个进程最多申请m个，不死锁的条件是 %d×(m-1) + 1 ≤ %d，即 m ≤ (%d-1)/%d + 1，取最大整数 m = %d。" % (
        k, r, r, k, right)
    return question(sec.take(), 11, sec.chapter, ["02000204"], 4, ans, stem, ana)


def semaphore_range(rng, sec):
    n, m = rng.choice([(6, 2), (5, 3), (8, 3), (10, 4)])
    right = "%d～%d" % (m - n, m)
    wrong = ["%d～%d" % (-n, m), "0～%d" % m, "%d～%d" % (m - n, n), "%d～%d" % (1 - n, 1)]
    opts, ans = single(rng, right, wrong)
    stem = choice_lines("有%d个进程共享某一程序段，每次最多允许%d个进程同时进入该程序段。若用信号量S实现这一控制，则S的取值范围是（  ）。" % (n, m), opts)
    ana = "S的初值为%d，表示最多可同时进入的进程数。所有%d个进程都执行了P(S)时，S = %d - %d = %d，其绝对值表示等待的进程数。故S的取值范围为 %s。" % (
        m, n, m, n, m - n, right)
    return question(sec.take(), 11, sec.chapter, ["02000302"], 4, ans, stem, ana)


def semaphore_state(rng, sec):
    """What a negative value of the same semaphore says about the processes."""
    n, m = rng.choice([(6, 2), (5, 3), (8, 3), (10, 4)])
    w = (n - m + 1) // 2
    right = "%d个，%d个" % (m, w)
    wrong = ["%d个，%d个" % (w, m), "%d个，0个" % m, "%d个，%d个" % (m - w, w), "0个，%d个" % w]
    opts, ans = single(rng, right, wrong)
    stem = choice_lines("有%d个进程共享某一程序段，每次最多允许%d个进程同时进入该程序段，用初值为%d的信号量S实现这一控制。某时刻S的值为-%d，"
                        "则此时在该程序段内的进程数和等待进入的进程数分别为（  ）。" % (n, m, m, w), opts)
    ana = "S的初值%d是最多可同时进入的进程数。S小于0时，可用名额已经用完，程序段内正好有%d个进程；S的绝对值%d表示在S上阻塞等待的进程数。" % (
        m, m, w)
    return question(sec.take(), 11, sec.chapter, ["02000302"], 4, ans, stem, ana)


# ------------------------------------------------------------------ disk

def disk_order(head, reqs, algo):
    if algo == "FCFS":
        return list(reqs)
    if algo == "SSTF":
        left, pos, out = list(reqs), head, []
        while left:
            d = sorted(abs(r - pos) for r in left)
            if len(d) > 1 and d[0] == d[1]:
                raise Tie()
            r = min(left, key=lambda r: abs(r - pos))
            out.append(r)
            left.remove(r)
            pos = r
        return out
    up = sorted(r for r in reqs if r >= head)
    down = sorted((r for r in reqs if r < head), reverse=True)
    return up + down  # sweeps up to the farthest request, then turns back


def movement(head, order):
    total, pos = 0, head
    for r in order:
        total += abs(r - pos)
        pos = r
    return total


DISK = {"FCFS": "先来先服务（FCFS）", "SSTF": "最短寻道时间优先（SSTF）",
        "LOOK": "扫描算法（磁头当前向磁道号增大的方向移动，到达该方向上最远的请求后立即反向，不必移动到磁盘端点）"}


def disk_question(rng, sec, algo):
    while True:
        head = rng.randint(40, 140)
        reqs = rng.sample(range(5, 199), 8)
        try:
            totals = {a: movement(head, disk_order(head, reqs, a)) for a in DISK}
        except Tie:
            continue
        if len(set(totals.values())) == 3 and any(r < head for r in reqs) and any(r > head for r in reqs):
            break
    order = disk_order(head, reqs, algo)
    right = totals[algo]
    wrong = [totals[a] for a in DISK if a != algo] + [right + 20, right - 10]
    opts, ans = single(rng, str(right), [str(w) for w in wrong])
    stem = choice_lines("某磁盘共有200个柱面（0～199），磁头当前位于%d号柱面。磁盘请求队列按到达顺序依次为：%s。采用%s时，磁头移动的总柱面数为（  ）。" % (
        head, "，".join(map(str, reqs)), DISK[algo]), opts)
    ana = "服务顺序为 %d→%s，磁头移动的总柱面数为 %s = %d。" % (
        head, "→".join(map(str, order)),
        " + ".join(str(abs(b - a)) for a, b in zip([head] + order, order)), right)
    return question(sec.take(), 11, sec.chapter, ["02000506"], 4, ans, stem, ana)


def main():
    rng = rng_for("a02")
    out = []
    s = Section("020103", START)
    for algo in ("FCFS", "SJF", "HRRN", "SRTF"):
        out.append(sched_question(rng, s, algo))
    out.append(rr_question(rng, s))
    s = Section("020201", START)
    out += [semaphore_range(rng, s), semaphore_state(rng, s)]
    s = Section("020202", START)
    out += [banker_single(rng, s), banker_single(rng, s), banker_multiple(rng, s), banker_multiple(rng, s)]
    out += [min_resources(rng, s), max_processes(rng, s), max_demand(rng, s)]
    s = Section("020301", START)
    out += [translate(rng, s, False), translate(rng, s, False), translate(rng, s, True), translate(rng, s, True)]
    s = Section("020302", START)
    for algo in ("FIFO", "LRU", "OPT", "FIFO", "LRU", "OPT", "LRU", "FIFO"):
        out.append(replacement(rng, s, algo))
    s = Section("020402", START)
    for algo in ("FCFS", "SSTF", "LOOK", "SSTF"):
        out.append(disk_question(rng, s, algo))
    replace_block(FILE, "os-simulations", out)


if __name__ == "__main__":
    main()
