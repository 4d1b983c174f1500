"""Generated questions of part 03 (数据结构与算法): stack orders, circular
queues, postfix evaluation, array addressing, next arrays, tree traversals
and counts, Huffman trees, graphs, searching, hashing and sorting passes.

Every answer and distractor is computed by running the algorithm the stem
names, with the textbook conventions spelled out in the stem.

    python3 tools/demo-gen/gen_algorithm_traces.py
"""

import itertools
from fractions import Fraction

from banklib import Section, choice_lines, multiple, question, replace_block, rng_for, single

FILE = "03-数据结构与算法.txt"
START = 101


def seqtext(xs, sep=", "):
    return "(" + sep.join(map(str, xs)) + ")"


# ----------------------------------------------------------- stacks etc.

def stack_check(order, inputs):
    """None when `order` can be popped from a stack fed with `inputs`, else the reason."""
    stack, i = [], 0
    for x in order:
        if x in stack and stack[-1] != x:
            # the element already pushed is covered by the current top
            return "输出%s时，%s还在栈中，栈顶的%s压在它上面，%s不能先出栈" % (x, x, stack[-1], x)
        while stack[-1:] != [x]:
            stack.append(inputs[i])
            i += 1
        stack.pop()
    return None


def pop_orders(rng, letters):
    valid, invalid = [], []
    for p in itertools.permutations(letters):
        (valid if stack_check(p, letters) is None else invalid).append("".join(p))
    rng.shuffle(valid)
    rng.shuffle(invalid)
    return valid, invalid


def pop_single(rng, sec):
    letters = "abcde"
    valid, invalid = pop_orders(rng, letters)
    right = invalid[0]
    opts, ans = single(rng, right, valid[:3])
    stem = choice_lines("若元素a、b、c、d、e依次进栈，进栈和出栈操作可以交替进行，则**不可能**得到的出栈序列是（  ）。", opts)
    ana = "逐个模拟各选项：%s。其余三个序列都能通过适当安排进栈、出栈操作得到。" % (
        "序列%s中，%s" % (right, stack_check(right, letters)))
    return question(sec.take(), 11, sec.chapter, ["03000103"], 4, ans, stem, ana)


def pop_multiple(rng, sec):
    letters = "abcde"
    valid, invalid = pop_orders(rng, letters)
    k = rng.choice([2, 3])
    items = [(v, True) for v in valid[:k]] + [(w, False) for w in invalid[:5 - k]]
    opts, ans = multiple(rng, items)
    stem = choice_lines("若元素a、b、c、d、e依次进栈，进栈和出栈操作可以交替进行，则下列序列中可能是出栈序列的有（  ）。", opts)
    ana = "用一个栈逐个模拟：%s都能得到；%s。" % (
        "、".join(valid[:k]), "；".join("序列%s中，%s" % (w, stack_check(w, letters)) for w in invalid[:5 - k]))
    return question(sec.take(), 14, sec.chapter, ["03000103"], 5, ans, stem, ana)


def queue_length(rng, sec):
    m = rng.choice([20, 30, 40, 50, 60])
    front = rng.randint(m // 2, m - 3)
    rear = rng.randint(2, m // 2 - 2)
    right = (rear - front + m) % m
    wrong = [m - right, right + 1, right - 1, front - rear]
    opts, ans = single(rng, str(right), [str(w) for w in wrong])
    stem = choice_lines("循环队列存放在数组 Q[0..%d] 中，front指向队头元素，rear指向队尾元素的下一个位置。若当前 front = %d，rear = %d，则队列中的元素个数为（  ）。" % (
        m - 1, front, rear), opts)
    ana = "元素个数 = (rear - front + m) %% m = (%d - %d + %d) %% %d = %d。rear小于front说明队尾已经绕回到数组的开头。" % (
        rear, front, m, m, right)
    return question(sec.take(), 11, sec.chapter, ["03000104"], 4, ans, stem, ana)


def postfix(rng, sec):
    while True:
        tokens, steps, stack = [], [], []
        swapped = []
        for op in rng.sample(["+", "-", "*", "+", "-", "*"], 4):
            if len(stack) < 3 and rng.random() < 0.4:
                v = rng.randint(2, 9)
                tokens.append(str(v))
                stack.append(v)
                swapped.append(v)
            while len(stack) < 2:
                v = rng.randint(2, 9)
                tokens.append(str(v))
                stack.append(v)
                swapped.append(v)
            b, a = stack.pop(), stack.pop()
            sb, sa = swapped.pop(), swapped.pop()
            r = {"+": a + b, "-": a - b, "*": a * b}[op]
            sr = {"+": sa + sb, "-": sb - sa, "*": sa * sb}[op]
            tokens.append(op)
            steps.append("%d%s%d=%d" % (a, "×" if op == "*" else op, b, r))
            stack.append(r)
            swapped.append(sr)
        while len(stack) > 1:
            b, a = stack.pop(), stack.pop()
            sb, sa = swapped.pop(), swapped.pop()
            tokens.append("+")
            steps.append("%d+%d=%d" % (a, b, a + b))
            stack.append(a + b)
            swapped.append(sa + sb)
        right, slip = stack[0], swapped[0]
        if slip != right and 0 < right < 200:
            break
    opts, ans = single(rng, str(right), [str(slip), str(right + 6), str(right - 4), str(right * 2)])
    stem = choice_lines("后缀表达式 %s 的值为（  ）。" % " ".join(tokens), opts)
    ana = "从左到右扫描，遇到操作数就进栈，遇到运算符就弹出两个操作数（先弹出的是右操作数）运算后把结果进栈：%s，最后栈中的 %d 即为结果。" % (
        "，".join(steps), right)
    return question(sec.take(), 11, sec.chapter, ["03000103"], 4, ans, stem, ana)


# ------------------------------------------------------------- arrays

def array_address(rng, sec, base1, rowmajor):
    rows, cols = rng.randint(5, 10), rng.randint(5, 10)
    size = rng.choice([2, 4, 8])
    base = rng.choice([1000, 2000, 100, 400])
    i, j = rng.randint(2, rows - 1), rng.randint(2, cols - 1)
    lo = 1 if base1 else 0
    ri, rj = i - lo, j - lo

    def addr(rm):
        return base + ((ri * cols + rj) if rm else (rj * rows + ri)) * size

    right = addr(rowmajor)
    other = addr(not rowmajor)
    shifted = base + (((ri + 1) * cols + rj + 1) if rowmajor else ((rj + 1) * rows + ri + 1)) * size
    wrong = [other, shifted, right + size, right - size]
    opts, ans = single(rng, str(right), [str(w) for w in wrong])
    rng_text = "A[%d..%d][%d..%d]" % (lo, rows - 1 + lo, lo, cols - 1 + lo)
    stem = choice_lines("二维数组 %s 中每个元素占%d个存储单元，按%s顺序存储，首元素 A[%d][%d] 的地址为%d，则元素 A[%d][%d] 的地址为（  ）。" % (
        rng_text, size, "行优先" if rowmajor else "列优先", lo, lo, base, i, j), opts)
    if rowmajor:
        how = "按行优先存储时，A[%d][%d] 之前有 %d 整行（每行%d个元素）和本行的 %d 个元素，共 %d×%d + %d = %d 个元素" % (
            i, j, ri, cols, rj, ri, cols, rj, ri * cols + rj)
    else:
        how = "按列优先存储时，A[%d][%d] 之前有 %d 整列（每列%d个元素）和本列的 %d 个元素，共 %d×%d + %d = %d 个元素" % (
            i, j, rj, rows, ri, rj, rows, ri, rj * rows + ri)
    ana = "%s，地址 = %d + %d×%d = %d。" % (how, base, (right - base) // size, size, right)
    return question(sec.take(), 11, sec.chapter, ["03000106"], 4, ans, stem, ana)


def symmetric(rng, sec, zero_based):
    n = rng.randint(8, 12)
    i, j = sorted(rng.sample(range(2, n + 1), 2))
    ask_upper = rng.random() < 0.5
    r, c = (i, j) if ask_upper else (j, i)  # element asked; lower triangle holds (j, i)
    k = j * (j - 1) // 2 + i - (1 if zero_based else 0)
    upper = i * (i - 1) // 2 + j - (1 if zero_based else 0)
    wrong = [upper, k + 1, k - 1, j * (j + 1) // 2 + i]
    opts, ans = single(rng, str(k), [str(w) for w in wrong if w > 0])
    lo = 0 if zero_based else 1
    stem = choice_lines("对称矩阵 A[1..%d][1..%d] 采用压缩存储，将其下三角部分（包括主对角线）的元素按行优先顺序存放在一维数组 B[%d..%d] 中，则元素 A[%d][%d] 在数组B中的下标为（  ）。" % (
        n, n, lo, n * (n + 1) // 2 - 1 + lo, r, c), opts)
    note = "" if not ask_upper else "A[%d][%d] 位于上三角，由对称性它等于 A[%d][%d]。" % (r, c, j, i)
    ana = "%s下三角元素 A[%d][%d] 之前有 %d 行，共 1+2+…+%d = %d 个元素，在本行中是第%d个，所以它是第 %d 个元素，%s。" % (
        note, j, i, j - 1, j - 1, j * (j - 1) // 2, i, j * (j - 1) // 2 + i,
        "B从1开始编号，下标为%d" % k if not zero_based else "B从0开始编号，下标为 %d - 1 = %d" % (k + 1, k))
    return question(sec.take(), 11, sec.chapter, ["03000106"], 4, ans, stem, ana)


def next_array(p):
    """next[] with positions from 1: next[1] = 0, otherwise longest proper border + 1."""
    n = len(p)
    nxt = [0] * (n + 1)
    for j in range(2, n + 1):
        k = 0
        for length in range(j - 2, 0, -1):
            if p[:length] == p[j - 1 - length:j - 1]:
                k = length
                break
        nxt[j] = k + 1
    return nxt[1:]


def nextval_array(p, nxt):
    out = []
    for j, k in enumerate(nxt, 1):
        if k and p[k - 1] == p[j - 1]:
            out.append(out[k - 1])
        else:
            out.append(k)
    return out


def kmp_question(rng, sec):
    while True:
        p = "".join(rng.choice("aab") for _ in range(rng.randint(6, 8)))
        nxt = next_array(p)
        nv = nextval_array(p, nxt)
        if nv != nxt and max(nxt) >= 3:
            break
    shifted = [0] + nxt[:-1]
    bumped = list(nxt)
    pos = max(range(len(bumped)), key=lambda x: bumped[x])
    bumped[pos] -= 1
    fmt = lambda v: " ".join(map(str, v))
    opts, ans = single(rng, fmt(nxt), [fmt(nv), fmt(shifted), fmt(bumped)])
    stem = choice_lines("模式串 p = “%s”，字符位置从1开始编号。按KMP算法中next函数的定义（next[1] = 0；当 p1…pk-1 与 pj-k+1…pj-1 相同时取其中最大的k，且 1<k<j；其他情况 next[j] = 1），该模式串的next数组依次为（  ）。" % p, opts)
    parts = []
    for j in range(3, len(p) + 1):
        if nxt[j - 1] > 1:
            k = nxt[j - 1]
            parts.append("j=%d时，前 %d 个字符“%s”中最长的相等前后缀为“%s”，next[%d]=%d" % (
                j, j - 1, p[:j - 1], p[:k - 1], j, k))
    ana = "next[1]=0，next[2]=1。%s；其余位置没有相等的前后缀，取1。选项“%s”是修正后的nextval数组。" % (
        "；".join(parts), fmt(nv))
    return question(sec.take(), 11, sec.chapter, ["03000105"], 4, ans, stem, ana)


# --------------------------------------------------------------- trees

class Node:
    def __init__(self, label):
        self.label, self.left, self.right = label, None, None


def random_tree(rng, n):
    labels = list("ABCDEFGHIJ"[:n])
    rng.shuffle(labels)
    root = Node(labels[0])
    nodes = [root]
    for lab in labels[1:]:
        while True:
            parent = rng.choice(nodes)
            side = rng.choice(["left", "right"])
            if getattr(parent, side) is None:
                child = Node(lab)
                setattr(parent, side, child)
                nodes.append(child)
                break
    return root


def order(t, kind):
    if t is None:
        return ""
    l, r = order(t.left, kind), order(t.right, kind)
    return {"pre": t.label + l + r, "in": l + t.label + r, "post": l + r + t.label}[kind]


def mirror_one(rng, t):
    """A copy of t with the children of one inner node exchanged."""
    def copy(x):
        if x is None:
            return None
        y = Node(x.label)
        y.left, y.right = copy(x.left), copy(x.right)
        return y
    c = copy(t)
    inner = []

    def walk(x):
        if x:
            if x.left and x.right:
                inner.append(x)
            walk(x.left)
            walk(x.right)
    walk(c)
    if inner:
        x = rng.choice(inner)
        x.left, x.right = x.right, x.left
    return c


def swap_adjacent(rng, s):
    i = rng.randrange(len(s) - 1)
    return s[:i] + s[i + 1] + s[i] + s[i + 2:]


def traversal(rng, sec, given):
    while True:
        t = random_tree(rng, rng.randint(7, 9))
        depth = lambda x: 0 if x is None else 1 + max(depth(x.left), depth(x.right))
        if depth(t) >= 4:
            break
    pre, ino, post = order(t, "pre"), order(t, "in"), order(t, "post")
    if given == "pre":
        right, wrong = post, [order(mirror_one(rng, t), "post"), pre[::-1]] + [swap_adjacent(rng, post) for _ in range(4)]
        stem = "已知一棵二叉树的先序序列为 %s，中序序列为 %s，则其后序序列为（  ）。" % (pre, ino)
        first = "先序序列的第一个结点%s是根" % pre[0]
    else:
        right, wrong = pre, [order(mirror_one(rng, t), "pre"), post[::-1]] + [swap_adjacent(rng, pre) for _ in range(4)]
        stem = "已知一棵二叉树的后序序列为 %s，中序序列为 %s，则其先序序列为（  ）。" % (post, ino)
        first = "后序序列的最后一个结点%s是根" % post[-1]
    opts, ans = single(rng, right, wrong)
    k = ino.index(t.label)
    side = lambda s: "为空" if not s else "为 %s" % s
    ana = "%s，它在中序序列中把其余结点分为两部分：左子树%s，右子树%s；对左右子树递归地做同样的划分，即可还原出这棵二叉树，再按要求遍历得 %s。" % (
        first, side(ino[:k]), side(ino[k + 1:]), right)
    return question(sec.take(), 11, sec.chapter, ["03000203"], 4, ans, choice_lines(stem, opts), ana)


def degree_one(rng, sec):
    n0 = rng.randint(8, 40)
    n1 = rng.randint(3, 30)
    total = n0 + n1 + (n0 - 1)
    right = n1
    opts, ans = single(rng, str(right), [str(total - 2 * n0), str(total - n0), str(total - 2 * n0 + 2), str(n0 - 1)])
    stem = choice_lines("一棵二叉树共有%d个结点，其中叶子结点有%d个，则度为1的结点有（  ）个。" % (total, n0), opts)
    ana = "由 n0 = n2 + 1 得度为2的结点 n2 = %d - 1 = %d，度为1的结点 n1 = %d - %d - %d = %d。" % (
        n0, n0 - 1, total, n0, n0 - 1, right)
    return question(sec.take(), 11, sec.chapter, ["03000202"], 4, ans, stem, ana)


def complete_leaves(rng, sec):
    n = rng.choice([k for k in range(300, 1200) if k % 2 == 1]) + rng.choice([0, 1])
    right = n - n // 2
    wrong = [n // 2, n // 2 - 1, right + 1, right - 2, right + 2]
    opts, ans = single(rng, str(right), [str(w) for w in wrong])
    stem = choice_lines("一棵完全二叉树共有%d个结点，则其叶子结点的个数为（  ）。" % n, opts)
    ana = "按层序编号，编号大于 %d/2 向下取整 = %d 的结点都是叶子，叶子数为 %d - %d = %d。%s" % (
        n, n // 2, n, n // 2, right,
        "n为偶数时恰有一个度为1的结点。" if n % 2 == 0 else "n为奇数时没有度为1的结点，由 n0 = n2 + 1 也可得出。")
    return question(sec.take(), 11, sec.chapter, ["03000202"], 4, ans, stem, ana)


def tree_leaves(rng, sec):
    counts = {d: rng.randint(1, 6) for d in (1, 2, 3, 4)}
    right = 1 + sum((d - 1) * c for d, c in counts.items())
    wrong = [right - 1, right + 1, sum(counts.values()), right + counts[4], right - counts[1] - 1]
    opts, ans = single(rng, str(right), [str(w) for w in wrong])
    stem = choice_lines("在一棵度为4的树中，度为1、2、3、4的结点个数分别为%d、%d、%d、%d，则该树中叶子结点的个数为（  ）。" % (
        counts[1], counts[2], counts[3], counts[4]), opts)
    edges = sum(d * c for d, c in counts.items())
    ana = "分支数等于所有结点的度之和：%d×1 + %d×2 + %d×3 + %d×4 = %d，结点总数为分支数加1，即%d。叶子数 = %d - (%d+%d+%d+%d) = %d。" % (
        counts[1], counts[2], counts[3], counts[4], edges, edges + 1, edges + 1,
        counts[1], counts[2], counts[3], counts[4], right)
    return question(sec.take(), 11, sec.chapter, ["03000201"], 4, ans, stem, ana)


def huffman(weights):
    pool = sorted(weights)
    merges = []
    while len(pool) > 1:
        a, b = pool.pop(0), pool.pop(0)
        merges.append((a, b, a + b))
        pool.append(a + b)
        pool.sort()
    return merges


def huffman_question(rng, sec, as_table):
    while True:
        weights = sorted(rng.sample(range(2, 30), rng.randint(5, 7)))
        merges = huffman(weights)
        wpl = sum(m[2] for m in merges)
        fixed = sum(weights) * (len(weights) - 1).bit_length()
        chain = sum(w * (len(weights) - i if i else len(weights) - 1) for i, w in enumerate(weights))
        if len({wpl, fixed, chain}) == 3:
            break
    opts, ans = single(rng, str(wpl), [str(fixed), str(chain), str(wpl + weights[0]), str(wpl - weights[1])])
    if as_table:
        names = "abcdefg"[:len(weights)]
        table = "\n".join(["| 字符 | " + " | ".join(names) + " |", "| 频度 | " + " | ".join(map(str, weights)) + " |"])
        stem = "某电文中各字符出现的频度如下表所示。\n\n%s\n\n%s" % (
            table, choice_lines("以频度为权值构造哈夫曼树，其带权路径长度（WPL）为（  ）。", opts))
    else:
        stem = choice_lines("以 %s 作为叶子结点的权值构造哈夫曼树，该树的带权路径长度（WPL）为（  ）。" % "、".join(map(str, weights)), opts)
    ana = "每次合并两个最小的权值：%s。WPL 等于所有非叶结点（合并所得）权值之和：%s = %d。" % (
        "，".join("%d+%d=%d" % m for m in merges), "+".join(str(m[2]) for m in merges), wpl)
    return question(sec.take(), 11, sec.chapter, ["03000206"], 4, ans, stem, ana)


# --------------------------------------------------------------- graphs

V = "ABCDEF"


def random_graph(rng):
    while True:
        pairs = rng.sample(list(itertools.combinations(V, 2)), 9)
        weights = rng.sample(range(1, 20), 9)
        edges = [(a, b, w) for (a, b), w in zip(pairs, weights)]
        if spanning_trees(edges):
            return sorted(edges)


def connected(edges):
    seen, todo = {V[0]}, [V[0]]
    while todo:
        x = todo.pop()
        for a, b, _ in edges:
            for u, v in ((a, b), (b, a)):
                if u == x and v not in seen:
                    seen.add(v)
                    todo.append(v)
    return len(seen) == len(V)


def spanning_trees(edges):
    return [c for c in itertools.combinations(edges, len(V) - 1) if connected(c)]


def edge_text(edges):
    return "、".join("(%s,%s,%d)" % e for e in edges)


def mst_question(rng, sec):
    edges = random_graph(rng)
    totals = sorted({sum(e[2] for e in t) for t in spanning_trees(edges)})
    if len(totals) < 4:
        return mst_question(rng, sec)
    right = totals[0]
    opts, ans = single(rng, str(right), [str(totals[1]), str(totals[2]), str(right - 2)])
    # Kruskal trace for the analysis
    parent = {v: v for v in V}

    def find(x):
        while parent[x] != x:
            x = parent[x]
        return x
    chosen = []
    for a, b, w in sorted(edges, key=lambda e: e[2]):
        if find(a) != find(b):
            parent[find(a)] = find(b)
            chosen.append((a, b, w))
    stem = choice_lines("某带权无向图有顶点A～F，其边用（顶点，顶点，权值）表示为：%s。该图的最小生成树的权值之和为（  ）。" % edge_text(edges), opts)
    ana = "用Kruskal算法按权值递增的次序选取不构成回路的边：%s，共5条边，权值之和为 %s = %d。" % (
        "、".join("(%s,%s)%d" % e for e in chosen), "+".join(str(e[2]) for e in chosen), right)
    return question(sec.take(), 11, sec.chapter, ["03000304"], 4, ans, stem, ana)


def dijkstra(edges, src):
    dist, prev, done = {src: 0}, {}, []
    while len(done) < len(V):
        cand = [v for v in dist if v not in done]
        if not cand:
            break
        u = min(cand, key=lambda v: dist[v])
        done.append(u)
        for a, b, w in edges:
            for x, y in ((a, b), (b, a)):
                if x == u and y not in done and dist[u] + w < dist.get(y, 10 ** 9):
                    dist[y] = dist[u] + w
                    prev[y] = u
    return dist, prev, done


def simple_paths(edges, a, b, path=None):
    path = path or [a]
    if a == b:
        yield path
        return
    for x, y, w in edges:
        for u, v in ((x, y), (y, x)):
            if u == a and v not in path:
                yield from simple_paths(edges, v, b, path + [v])


def shortest_question(rng, sec):
    edges = random_graph(rng)
    weight = {frozenset((a, b)): w for a, b, w in edges}
    lengths = sorted({sum(weight[frozenset(p)] for p in zip(path, path[1:])) for path in simple_paths(edges, "A", "F")})
    dist, prev, done = dijkstra(edges, "A")
    if len(lengths) < 3 or len(set(dist.values())) < len(V):
        return shortest_question(rng, sec)
    right = dist["F"]
    path = ["F"]
    while path[-1] != "A":
        path.append(prev[path[-1]])
    opts, ans = single(rng, str(right), [str(x) for x in lengths[1:3]] + [str(right - 1), str(lengths[-1])])
    stem = choice_lines("某带权无向图有顶点A～F，其边用（顶点，顶点，权值）表示为：%s。从顶点A到顶点F的最短路径长度为（  ）。" % edge_text(edges), opts)
    ana = "用Dijkstra算法按路径长度递增的次序求得各顶点的最短路径长度：%s。A到F的最短路径为 %s，长度为%d。" % (
        "，".join("%s为%d" % (v, dist[v]) for v in done[1:]), "→".join(reversed(path)), right)
    return question(sec.take(), 11, sec.chapter, ["03000305"], 4, ans, stem, ana)


def random_dag(rng):
    while True:
        order_ = list(V)
        rng.shuffle(order_)
        arcs = set()
        while len(arcs) < 7:
            i, j = sorted(rng.sample(range(6), 2))
            arcs.add((order_[i], order_[j]))
        arcs = sorted(arcs)
        topo = [p for p in itertools.permutations(V) if all(p.index(a) < p.index(b) for a, b in arcs)]
        if 4 <= len(topo) <= 30:
            return arcs, topo


def violation(p, arcs):
    for a, b in arcs:
        if p.index(a) > p.index(b):
            return "%s中%s排在%s之前，但有弧<%s,%s>" % ("".join(p), b, a, a, b)
    return ""


def near_misses(rng, arcs, topo, k):
    """Orders that break exactly one arc: a valid order with two neighbours swapped."""
    out = []
    cands = []
    for p in topo:
        for i in range(5):
            q = list(p)
            q[i], q[i + 1] = q[i + 1], q[i]
            q = tuple(q)
            if q not in topo and q not in cands:
                cands.append(q)
    rng.shuffle(cands)
    out = cands[:k]
    if len(out) < k:
        raise ValueError("not enough near misses")
    return out


def topo_single(rng, sec):
    arcs, topo = random_dag(rng)
    right = rng.choice(topo)
    wrong = near_misses(rng, arcs, topo, 3)
    j = lambda p: "".join(p)
    opts, ans = single(rng, j(right), [j(w) for w in wrong])
    stem = choice_lines("有向图G的顶点为A～F，弧集合为 {%s}。下列顶点序列中，是G的拓扑序列的是（  ）。" % ", ".join("<%s,%s>" % a for a in arcs), opts)
    ana = "拓扑序列要求每条弧的弧尾都排在弧头之前。%s满足所有弧的要求；%s。" % (
        j(right), "；".join(violation(w, arcs) for w in wrong))
    return question(sec.take(), 11, sec.chapter, ["03000306"], 4, ans, stem, ana)


def topo_multiple(rng, sec):
    arcs, topo = random_dag(rng)
    k = rng.choice([2, 3])
    right = rng.sample(topo, k)
    wrong = near_misses(rng, arcs, topo, 5 - k)
    j = lambda p: "".join(p)
    opts, ans = multiple(rng, [(j(p), True) for p in right] + [(j(w), False) for w in wrong])
    stem = choice_lines("有向图G的顶点为A～F，弧集合为 {%s}。下列顶点序列中，是G的拓扑序列的有（  ）。" % ", ".join("<%s,%s>" % a for a in arcs), opts)
    ana = "逐条检查弧的方向：%s都满足每条弧的弧尾排在弧头之前；%s。" % (
        "、".join(j(p) for p in right), "；".join(violation(w, arcs) for w in wrong))
    return question(sec.take(), 14, sec.chapter, ["03000306"], 5, ans, stem, ana)


# ------------------------------------------------------------ searching

def bsearch_path(a, key, ceil_mid=False, zero=False):
    low, high = (0, len(a) - 1) if zero else (1, len(a))
    path = []
    while low <= high:
        mid = (low + high + (1 if ceil_mid else 0)) // 2
        v = a[mid] if zero else a[mid - 1]
        path.append(v)
        if v == key:
            break
        if key < v:
            high = mid - 1
        else:
            low = mid + 1
    return path


def bsearch_question(rng, sec, found):
    while True:
        n = rng.randint(11, 15)
        a = sorted(rng.sample(range(5, 99), n))
        key = rng.choice(a) if found else rng.choice([x for x in range(6, 99) if x not in a])
        right = bsearch_path(a, key)
        alts = [bsearch_path(a, key, ceil_mid=True)]
        if len(right) >= 3 and all(x != right for x in alts):
            break
    if found:
        fmt = lambda p: ", ".join(map(str, p))
        i = a.index(key)
        near = [bsearch_path(a, a[x]) for x in (i - 1, i + 1) if 0 <= x < n]
        wrong = alts + [right[:-2] + right[-1:]] + near + [right[:1] + right[2:]]
        opts, ans = single(rng, fmt(right), [fmt(w) for w in wrong])
        stem = choice_lines("对有序表 %s 进行折半查找（元素位置从1开始，mid = (low+high)/2 向下取整），查找关键字%d时，依次与之比较的元素是（  ）。" % (
            seqtext(a), key), opts)
        ana = "low=1，high=%d，依次取中间元素比较：%s，共比较%d次后查找成功。" % (n, "，".join(map(str, right)), len(right))
    else:
        r = len(right)
        opts, ans = single(rng, str(r), [str(r - 1), str(r + 1), str(n // 2), str(r + 2)])
        stem = choice_lines("对有序表 %s 进行折半查找（元素位置从1开始，mid = (low+high)/2 向下取整），查找关键字%d，到确定查找失败为止，共需进行（  ）次关键字比较。" % (
            seqtext(a), key), opts)
        ana = "依次与 %s 比较后 low > high，查找失败，共比较%d次。" % ("、".join(map(str, right)), r)
    return question(sec.take(), 11, sec.chapter, ["03000401"], 4, ans, stem, ana)


def linear_probe(keys, m, p):
    table = [None] * m
    probes = {}
    for k in keys:
        i, c = k % p, 1
        while table[i] is not None:
            i, c = (i + 1) % m, c + 1
        table[i] = k
        probes[k] = (i, c)
    return table, probes


def hash_question(rng, sec, ask_asl):
    while True:
        m = rng.choice([11, 13])
        p = {11: rng.choice([11, 7]), 13: rng.choice([13, 11])}[m]
        keys = rng.sample(range(10, 99), rng.randint(7, 9))
        table, probes = linear_probe(keys, m, p)
        last = keys[-1]
        if probes[last][1] >= 3 and len({v[1] for v in probes.values()}) >= 3:
            break
    head = "散列表的地址空间为 0～%d，散列函数为 H(key) = key %% %d，用线性探测法处理冲突。依次插入关键字序列 %s" % (
        m - 1, p, seqtext(keys))
    trail = "，".join("%d→%d" % (k, probes[k][0]) for k in keys)
    if ask_asl:
        total = sum(c for _, c in probes.values())
        right = Fraction(total, len(keys))
        fmt = lambda x: "%d/%d" % (x.numerator, x.denominator) if x.denominator > 1 else str(x.numerator)
        wrong = [Fraction(total + 2, len(keys)), Fraction(total - 1, len(keys)), Fraction(total, m), Fraction(len(keys) + 3, len(keys))]
        opts, ans = single(rng, fmt(right), [fmt(w) for w in wrong])
        stem = choice_lines(head + "，则等概率下查找成功的平均查找长度为（  ）。", opts)
        ana = "各关键字存放的地址为：%s；查找它们的比较次数依次为 %s，共%d次，ASL = %s%s。" % (
            trail, "、".join(str(probes[k][1]) for k in keys), total, fmt(Fraction(total, len(keys))) if right.denominator > 1 else "%d/%d = %d" % (total, len(keys), right),
            " ≈ %.2f" % float(right) if right.denominator > 1 else "")
    else:
        addr = probes[last][0]
        home = last % p
        wrong = [home, (addr + 1) % m, (home + 1) % m, (addr - 1) % m]
        opts, ans = single(rng, str(addr), [str(w) for w in wrong])
        stem = choice_lines(head + "，则关键字%d存放的地址是（  ）。" % last, opts)
        ana = "%d %% %d = %d，该地址已被占用，依次向后探测，直到地址%d为空，共探测%d次。各关键字存放的地址为：%s。" % (
            last, p, home, addr, probes[last][1], trail)
    return question(sec.take(), 11, sec.chapter, ["03000404"], 4, ans, stem, ana)


def bst_insert(keys):
    root = None
    depth = {}
    for k in keys:
        if root is None:
            root = [k, None, None]
            depth[k] = 1
            continue
        x, d = root, 1
        while True:
            d += 1
            side = 1 if k < x[0] else 2
            if x[side] is None:
                x[side] = [k, None, None]
                depth[k] = d
                break
            x = x[side]
    return depth


def bst_question(rng, sec, ask_height):
    while True:
        keys = rng.sample(range(10, 99), rng.randint(8, 10))
        depth = bst_insert(keys)
        h = max(depth.values())
        deep = [k for k in keys if depth[k] >= 4]
        if 4 <= h <= 6 and deep:
            break
    if ask_height:
        right = h
        opts, ans = single(rng, str(h), [str(h - 1), str(h + 1), str(len(keys).bit_length()), str(h + 2)])
        stem = choice_lines("依次插入关键字序列 %s 构造一棵二叉排序树（初始为空），则该树的高度为（  ）。" % seqtext(keys), opts)
        ana = "依次插入后各关键字所在的层次为：%s，最大层次为%d，即树的高度。" % (
            "，".join("%d在第%d层" % (k, depth[k]) for k in keys), h)
    else:
        k = rng.choice(deep)
        right = depth[k]
        opts, ans = single(rng, str(right), [str(right - 1), str(right + 1), str(keys.index(k) + 1), str(right + 2)])
        stem = choice_lines("依次插入关键字序列 %s 构造一棵二叉排序树（初始为空），在该树中查找关键字%d，需要进行（  ）次关键字比较。" % (
            seqtext(keys), k), opts)
        ana = "查找成功时的比较次数等于该结点所在的层次。依次插入后各关键字所在的层次为：%s，所以查找%d要比较%d次。" % (
            "，".join("%d在第%d层" % (x, depth[x]) for x in keys), k, right)
    return question(sec.take(), 11, sec.chapter, ["03000402"], 4, ans, stem, ana)


# --------------------------------------------------------------- sorting

def bubble(a, passes):
    a = list(a)
    for i in range(passes):
        for j in range(len(a) - 1 - i):
            if a[j] > a[j + 1]:
                a[j], a[j + 1] = a[j + 1], a[j]
    return a


def selection(a, passes):
    a = list(a)
    for i in range(passes):
        k = min(range(i, len(a)), key=lambda x: a[x])
        a[i], a[k] = a[k], a[i]
    return a


def insertion(a, passes):
    a = list(a)
    return sorted(a[:passes + 1]) + a[passes + 1:]


def partition(a):
    a = list(a)
    low, high = 0, len(a) - 1
    pivot = a[low]
    while low < high:
        while low < high and a[high] >= pivot:
            high -= 1
        a[low] = a[high]
        while low < high and a[low] <= pivot:
            low += 1
        a[high] = a[low]
    a[low] = pivot
    return a


def heapify(a, bigger=True):
    a = list(a)
    n = len(a)

    def better(x, y):
        return x > y if bigger else x < y

    def sift(i):
        while 2 * i + 1 < n:
            c = 2 * i + 1
            if c + 1 < n and better(a[c + 1], a[c]):
                c += 1
            if better(a[c], a[i]):
                a[i], a[c] = a[c], a[i]
                i = c
            else:
                break
    for i in range(n // 2 - 1, -1, -1):
        sift(i)
    return a


def heap_by_insertion(a):
    h = []
    for x in a:
        h.append(x)
        i = len(h) - 1
        while i and h[(i - 1) // 2] < h[i]:
            h[(i - 1) // 2], h[i] = h[i], h[(i - 1) // 2]
            i = (i - 1) // 2
    return h


def shell_pass(a, d):
    a = list(a)
    for s in range(d):
        a[s::d] = sorted(a[s::d])
    return a


def merge_pass(a, width):
    out = []
    for i in range(0, len(a), 2 * width):
        out += sorted(a[i:i + 2 * width])
    return out


def radix_pass(a):
    return [x for d in range(10) for x in a if x % 10 == d]


def is_heap(a, bigger=True):
    return all((a[(i - 1) // 2] >= a[i]) if bigger else (a[(i - 1) // 2] <= a[i]) for i in range(1, len(a)))


SORTS = [
    ("bubble", "冒泡排序（每趟从前向后比较相邻元素，把最大者交换到最后）", "第一趟"),
    ("selection", "简单选择排序（每趟选出最小元素与待排序部分的第一个元素交换）", "第二趟"),
    ("insertion", "直接插入排序", "第三趟"),
    ("quick", "快速排序（以第一个元素为枢轴，从两端交替向中间扫描进行划分）", "第一趟划分"),
    ("heap", "堆排序", "建立初始大根堆（自下而上筛选）"),
    ("shell", "希尔排序", "增量为4的一趟"),
    ("merge", "二路归并排序", "第二趟"),
    ("radix", "基数排序（最低位优先）", "第一趟分配和收集"),
]


def sort_result(kind, a):
    return {"bubble": lambda: bubble(a, 1), "selection": lambda: selection(a, 2), "insertion": lambda: insertion(a, 3),
            "quick": lambda: partition(a), "heap": lambda: heapify(a), "shell": lambda: shell_pass(a, 4),
            "merge": lambda: merge_pass(merge_pass(a, 1), 2), "radix": lambda: radix_pass(a)}[kind]()


def sort_question(rng, sec, kind):
    name, what = [(n, w) for k, n, w in SORTS if k == kind][0]
    while True:
        a = rng.sample(range(100, 1000) if kind == "radix" else range(10, 99), 8)
        right = sort_result(kind, a)
        others = [sort_result(k, a) for k, _, _ in SORTS if k != kind and k != "radix"]
        extra = {"bubble": [bubble(a, 2)], "selection": [selection(a, 1), selection(a, 3)],
                 "insertion": [insertion(a, 2), insertion(a, 4)], "quick": [partition(a[::-1])[::-1]],
                 "heap": [heap_by_insertion(a), heapify(a, bigger=False)], "shell": [shell_pass(a, 2), shell_pass(a, 3)],
                 "merge": [merge_pass(a, 1), merge_pass(merge_pass(merge_pass(a, 1), 2), 4)],
                 "radix": [[x for d in range(10) for x in a if x // 10 % 10 == d], sorted(a)]}[kind]
        wrong = [w for w in extra + others if w != right and w != a and w != sorted(a)]
        uniq = []
        for w in wrong:
            if w not in uniq:
                uniq.append(w)
        if right != a and right != sorted(a) and len(uniq) >= 3:
            break
    fmt = lambda v: seqtext(v)
    opts, ans = single(rng, fmt(right), [fmt(w) for w in uniq[:3]])
    stem = choice_lines("对关键字序列 %s 按从小到大的顺序进行%s，%s结束后的序列为（  ）。" % (fmt(a), name, what), opts)
    ana = {
        "bubble": "第一趟依次比较相邻的两个元素，逆序就交换，最大的%d被交换到最后，得 %s。" % (max(a), fmt(right)),
        "selection": "第一趟选出最小的%d与第1个元素交换，第二趟在其余元素中选出最小的%d与第2个元素交换，得 %s。" % (
            sorted(a)[0], sorted(a)[1], fmt(right)),
        "insertion": "直接插入排序第i趟把第i+1个元素插入前面的有序区，三趟后前4个元素有序，其余元素不变，得 %s。" % fmt(right),
        "quick": "以%d为枢轴，high从后向前找比它小的元素移到low处，low从前向后找比它大的元素移到high处，交替进行直到low与high相遇，再把枢轴放入该位置，得 %s。" % (
            a[0], fmt(right)),
        "heap": "从第 n/2 个元素开始自后向前依次向下筛选，每次让双亲与较大的孩子比较，小于孩子就交换，堆顶为最大元素%d，得 %s。" % (
            max(a), fmt(right)),
        "shell": "增量为4时，第1和第5个、第2和第6个、第3和第7个、第4和第8个元素各为一组，分别进行直接插入排序，得 %s。" % fmt(right),
        "merge": "第一趟把相邻的两个元素归并为长度为2的有序段，得 %s；第二趟把相邻的两个有序段归并为长度为4的有序段，得 %s。" % (
            fmt(merge_pass(a, 1)), fmt(right)),
        "radix": "第一趟按个位数字把各关键字依次分配到0～9号队列中，再按队列号从小到大收集，同一队列中保持原来的先后次序，得 %s。" % fmt(right),
    }[kind]
    pts = {"bubble": ["03000502"], "selection": ["03000503"], "insertion": ["03000501"], "quick": ["03000502"],
           "heap": ["03000503"], "shell": ["03000501"], "merge": ["03000504"], "radix": ["03000504"]}[kind]
    return question(sec.take(), 11, sec.chapter, pts, 4, ans, stem, ana)


def heap_multiple(rng, sec, bigger):
    items = []
    k = rng.choice([2, 3])
    while len(items) < k:
        h = heapify(rng.sample(range(10, 99), 8), bigger)
        if seqtext(h) not in [t for t, _ in items]:
            items.append((seqtext(h), True))
    while len(items) < 5:
        h = heapify(rng.sample(range(10, 99), 8), bigger)
        i = rng.randrange(1, 8)
        j = (i - 1) // 2
        h[i], h[j] = h[j], h[i]  # a child above its parent: one broken link
        if not is_heap(h, bigger):
            items.append((seqtext(h), False))
    opts, ans = multiple(rng, items)
    word = "大根堆" if bigger else "小根堆"
    stem = choice_lines("下列关键字序列中，是%s的有（  ）。" % word, opts)
    bad = []
    for t, ok in items:
        if not ok:
            v = [int(x) for x in t.strip("()").split(", ")]
            for c in range(1, 8):
                p = (c - 1) // 2
                if (v[p] < v[c]) if bigger else (v[p] > v[c]):
                    bad.append("%s中第%d个元素%d%s其孩子（第%d个元素）%d" % (t, p + 1, v[p], "小于" if bigger else "大于", c + 1, v[c]))
                    break
    ana = "把序列看作按层序存放的完全二叉树，第i个元素的孩子是第2i和第2i+1个元素，检查每个双亲是否都%s其孩子：%s，因而不是%s。" % (
        "不小于" if bigger else "不大于", "；".join(bad), word)
    return question(sec.take(), 14, sec.chapter, ["03000503"], 5, ans, stem, ana)


def main():
    rng = rng_for("a03")
    out = []
    s = Section("030102", START)
    out += [pop_single(rng, s) for _ in range(3)]
    out += [pop_multiple(rng, s) for _ in range(3)]
    out += [queue_length(rng, s), queue_length(rng, s), postfix(rng, s), postfix(rng, s)]
    s = Section("030103", START)
    out += [array_address(rng, s, False, True), array_address(rng, s, True, True), array_address(rng, s, True, False)]
    out += [symmetric(rng, s, False), symmetric(rng, s, True), kmp_question(rng, s), kmp_question(rng, s)]
    s = Section("030201", START)
    out += [traversal(rng, s, "pre") for _ in range(3)] + [traversal(rng, s, "post") for _ in range(2)]
    out += [degree_one(rng, s), complete_leaves(rng, s), tree_leaves(rng, s)]
    out += [huffman_question(rng, s, True), huffman_question(rng, s, False), huffman_question(rng, s, False)]
    s = Section("030202", START)
    out += [mst_question(rng, s), mst_question(rng, s), shortest_question(rng, s), shortest_question(rng, s)]
    out += [topo_single(rng, s), topo_single(rng, s), topo_multiple(rng, s), topo_multiple(rng, s)]
    s = Section("030301", START)
    out += [bsearch_question(rng, s, True), bsearch_question(rng, s, True), bsearch_question(rng, s, False)]
    out += [hash_question(rng, s, False), hash_question(rng, s, False), hash_question(rng, s, True)]
    out += [bst_question(rng, s, True), bst_question(rng, s, False)]
    s = Section("030302", START)
    out += [sort_question(rng, s, k) for k, _, _ in SORTS]
    out += [heap_multiple(rng, s, True), heap_multiple(rng, s, False)]
    replace_block(FILE, "algorithm-traces", out)


if __name__ == "__main__":
    main()
