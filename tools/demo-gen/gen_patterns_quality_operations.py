#!/usr/bin/env python3
"""Generate fact-table questions for parts 31-33 of the demo bank.

Run from anywhere: python3 tools/demo-gen/gen_patterns_quality_operations.py
Each block of records is written between the lines
    # BEGIN GENERATED <name>
    # END GENERATED <name>
of its part file, so the hand-written records around it stay as they are.
Option order is shuffled with a fixed seed per block: reruns give the same text.
"""
import random


from banklib import choice_lines, multiple, question, replace_block, single


def choice(qid, qtype, chapter, points, options, answer, prompt, analysis):
    """A choice question with its options in their final order."""
    return question(qid, qtype, chapter, points, len(options), answer, choice_lines(prompt, options), analysis)


# ---------------------------------------------------------------- design patterns

CATEGORY_POINT = {"创建型": "31000302", "结构型": "31000303", "行为型": "31000304"}

# name, category, intent, typical use
PATTERNS = [
    ("抽象工厂", "创建型", "提供一个创建一系列相关或相互依赖对象的接口，而无须指定它们具体的类",
     "适合系统要由多个产品系列中的一个来配置的场合，例如按界面风格成套地创建按钮、文本框等控件"),
    ("生成器（建造者）", "创建型", "将一个复杂对象的构建与它的表示分离，使得同样的构建过程可以创建不同的表示",
     "由指挥者按固定步骤调用生成器，更换具体生成器即可得到不同表示的产品"),
    ("工厂方法", "创建型", "定义一个用于创建对象的接口，让子类决定实例化哪一个类，使一个类的实例化延迟到其子类",
     "与抽象工厂不同，它只创建一种产品，并依靠继承由子类决定具体产品"),
    ("原型", "创建型", "用原型实例指定创建对象的种类，并且通过复制这些原型创建新的对象",
     "适合创建成本高或类在运行时才确定的场合，关键是实现对象的克隆（需注意深复制与浅复制）"),
    ("单例", "创建型", "保证一个类仅有一个实例，并提供一个访问它的全局访问点",
     "常用于配置管理器、连接池等全局唯一的资源"),
    ("适配器", "结构型", "将一个类的接口转换成客户希望的另外一个接口，使原本由于接口不兼容而不能一起工作的类可以一起工作",
     "有类适配器（继承）和对象适配器（组合）两种形式"),
    ("桥接", "结构型", "将抽象部分与它的实现部分分离，使它们都可以独立地变化",
     "用组合代替继承，避免抽象和实现两个维度同时扩展时子类数量成倍增长"),
    ("组合", "结构型", "将对象组合成树形结构以表示‘部分-整体’的层次结构，使得用户对单个对象和组合对象的使用具有一致性",
     "典型应用如文件与文件夹、图形界面中的容器与控件"),
    ("装饰", "结构型", "动态地给一个对象添加一些额外的职责，就增加功能而言比生成子类更为灵活",
     "装饰类与被装饰类实现同一接口，可以多层嵌套"),
    ("外观", "结构型", "为子系统中的一组接口提供一个一致的界面，定义一个高层接口，使子系统更加容易使用",
     "它降低了客户与子系统之间的耦合，但并不禁止客户直接使用子系统"),
    ("享元", "结构型", "运用共享技术有效地支持大量细粒度的对象",
     "把对象的内部状态共享、外部状态由客户传入，例如文本编辑器中的字符对象"),
    ("代理", "结构型", "为其他对象提供一种代理以控制对这个对象的访问",
     "常见的有远程代理、虚代理和保护代理"),
    ("职责链", "行为型", "使多个对象都有机会处理请求，从而避免请求的发送者和接收者之间的耦合；将这些对象连成一条链，并沿着这条链传递请求，直到有一个对象处理它为止",
     "典型应用如按金额逐级审批的报销流程"),
    ("命令", "行为型", "将一个请求封装为一个对象，从而可以用不同的请求对客户进行参数化，对请求排队或记录请求日志，以及支持可撤销的操作",
     "调用者只依赖命令接口，与请求的接收者解耦"),
    ("迭代器", "行为型", "提供一种方法顺序访问一个聚合对象中的各个元素，而又不需要暴露该对象的内部表示",
     "各种容器类库普遍采用这一模式"),
    ("中介者", "行为型", "用一个中介对象来封装一系列的对象交互，使各对象不需要显式地相互引用，从而使其耦合松散",
     "把多对多的交互变为以中介者为中心的一对多交互，例如对话框中各控件的联动"),
    ("备忘录", "行为型", "在不破坏封装性的前提下，捕获一个对象的内部状态，并在该对象之外保存这个状态，以便以后把对象恢复到原先保存的状态",
     "常用于实现撤销和快照"),
    ("观察者", "行为型", "定义对象间的一种一对多的依赖关系，当一个对象的状态发生改变时，所有依赖于它的对象都得到通知并被自动更新",
     "也称发布-订阅模式"),
    ("状态", "行为型", "允许一个对象在其内部状态改变时改变它的行为，对象看起来似乎修改了它的类",
     "把与特定状态有关的行为放入独立的状态类，取代大量的条件分支"),
    ("策略", "行为型", "定义一系列的算法，把它们一个个封装起来，并且使它们可以相互替换，使算法可独立于使用它的客户而变化",
     "运行时可以切换算法，新增算法只需增加策略类"),
    ("模板方法", "行为型", "定义一个操作中的算法骨架，而将一些步骤延迟到子类中，使子类可以不改变算法的结构即可重定义该算法的某些特定步骤",
     "体现了“好莱坞原则”：由父类调用子类的操作"),
    ("访问者", "行为型", "表示一个作用于某对象结构中的各元素的操作，使得可以在不改变各元素的类的前提下定义作用于这些元素的新操作",
     "适合对象结构稳定、但经常要在其上增加新操作的场合"),
]
BY_NAME = {p[0]: p for p in PATTERNS}


def listed(items):
    """Chinese enumeration: A、B和C."""
    items = list(items)
    return items[0] if len(items) == 1 else "、".join(items[:-1]) + "和" + items[-1]


def owners(names):
    """Which category each pattern belongs to, one clause per category."""
    groups = {}
    for n in names:
        groups.setdefault(BY_NAME[n][1], []).append(n + "模式")
    return "，".join(f"{listed(ms)}属于{cat}模式" for cat, ms in groups.items())

# Patterns whose intent is asked (the others have scenario questions of their own).
INTENT_ASKED = ["抽象工厂", "生成器（建造者）", "原型", "桥接", "组合", "外观", "享元",
                "职责链", "中介者", "模板方法", "访问者"]
INTENT_STEMS = [
    "某设计模式的意图是：“{intent}。”该模式是（  ）。",
    "“{intent}”描述的是（  ）的意图。",
    "在GoF设计模式中，意图为“{intent}”的是（  ）。",
]


def pattern_questions():
    rng = random.Random(310302)
    out = []
    seq = 501
    for i, name in enumerate(INTENT_ASKED):
        _, cat, intent, use = BY_NAME[name]
        same = [p[0] for p in PATTERNS if p[1] == cat and p[0] != name]
        other = [p[0] for p in PATTERNS if p[1] != cat]
        wrong = rng.sample(same, 2) + rng.sample(other, 1)
        opts, ans = single(rng, name + "模式", [w + "模式" for w in wrong])
        stem = INTENT_STEMS[i % len(INTENT_STEMS)].format(intent=intent)
        analysis = f"这是{name}模式的意图。该模式属于{cat}模式，{use}。"
        out.append(choice(f"310302000{seq}", 11, "310302", [CATEGORY_POINT[cat]],
                            opts, ans, stem, analysis))
        seq += 1

    cats = list(CATEGORY_POINT)
    for cat in cats:
        members = [p[0] for p in PATTERNS if p[1] == cat]
        right = rng.choice(members)
        wrong = rng.sample([p[0] for p in PATTERNS if p[1] != cat], 3)
        opts, ans = single(rng, right + "模式", [w + "模式" for w in wrong])
        stem = f"下列设计模式中，属于{cat}模式的是（  ）。"
        analysis = (f"{cat}模式包括{'、'.join(members)}等模式，{right}模式是其中之一；"
                    f"{owners(wrong)}。")
        out.append(choice(f"310302000{seq}", 11, "310302", [CATEGORY_POINT[cat]],
                            opts, ans, stem, analysis))
        seq += 1

    for cat in cats:
        members = [p[0] for p in PATTERNS if p[1] == cat]
        rights = rng.sample(members, rng.choice([2, 3]))
        wrongs = rng.sample([p[0] for p in PATTERNS if p[1] != cat], 5 - len(rights))
        opts, ans = multiple(rng, [(r + "模式", True) for r in rights] + [(w + "模式", False) for w in wrongs])
        stem = f"下列设计模式中，属于**{cat}**模式的有（  ）。"
        analysis = f"{listed(r + '模式' for r in rights)}都属于{cat}模式；{owners(wrongs)}。"
        out.append(choice(f"310302000{seq}", 14, "310302",
                            [CATEGORY_POINT[cat]] + [CATEGORY_POINT[BY_NAME[w][1]] for w in wrongs[:1]],
                            opts, ans, stem, analysis))
        seq += 1
    return out


# ---------------------------------------------------------------- product quality

# Product quality model of ISO/IEC 25010 (GB/T 25000.10): characteristic -> sub-characteristics.
# The characteristic is functional suitability (功能适合性; 9126 said 功能性), so its
# sub-characteristic "functional appropriateness" is written 功能恰当性 to keep them apart.
QUALITY = {
    "功能适合性": ["功能完备性", "功能正确性", "功能恰当性"],
    "性能效率": ["时间特性", "资源利用性", "容量"],
    "兼容性": ["共存性", "互操作性"],
    "易用性": ["可辨识性", "易学性", "易操作性", "用户差错防御性", "用户界面舒适性", "易访问性"],
    "可靠性": ["成熟性", "可用性", "容错性", "易恢复性"],
    "信息安全性": ["保密性", "完整性", "抗抵赖性", "可核查性", "真实性"],
    "维护性": ["模块化", "可重用性", "易分析性", "易修改性", "易测试性"],
    "可移植性": ["适应性", "易安装性", "易替换性"],
}
OWNER = {sub: char for char, subs in QUALITY.items() for sub in subs}

# Sub-characteristic asked, and a note on why it sits where it does.
QUALITY_ASKED = [
    ("容量", "容量指产品或系统参数的最大限量（如并发用户数、数据库规模）满足需求的程度，与时间特性、资源利用性同属性能效率"),
    ("共存性", "25010新增了兼容性特性，共存性从ISO/IEC 9126中的可移植性移到了兼容性之下，与互操作性并列"),
    ("用户差错防御性", "用户差错防御性指系统防止用户犯错的程度，属于易用性，与易学性、易操作性等并列"),
    ("成熟性", "成熟性指系统在正常运行时满足可靠性要求的程度，与可用性、容错性、易恢复性同属可靠性"),
    ("抗抵赖性", "抗抵赖性指活动或事件发生后可以被证实、不能否认的程度，与保密性、完整性等同属信息安全性"),
    ("模块化", "模块化指系统由多个独立组件组成、修改一个组件对其他组件影响最小的程度，属于维护性"),
    ("易替换性", "易替换性指在相同环境中产品能替换另一个相同用途的产品的程度，属于可移植性"),
    ("功能正确性", "功能正确性指产品提供具有所需精度的正确结果的程度，与功能完备性、功能恰当性同属功能适合性（ISO/IEC 9126称为功能性）"),
]
QUALITY_MULTI = ["维护性", "可靠性", "信息安全性"]


def quality_questions():
    rng = random.Random(320301)
    out = []
    seq = 501
    chars = list(QUALITY)
    for i, (sub, note) in enumerate(QUALITY_ASKED):
        owner = OWNER[sub]
        pool = [c for c in chars if c != owner]
        # 共存性 used to belong to 可移植性: keep that trap among the options.
        wrong = ["可移植性"] + rng.sample([c for c in pool if c != "可移植性"], 2) \
            if sub == "共存性" else rng.sample(pool, 3)
        opts, ans = single(rng, owner, wrong)
        if i % 2 == 0:
            stem = f"在ISO/IEC 25010（GB/T 25000.10）的产品质量模型中，子特性“{sub}”属于（  ）质量特性。"
        else:
            stem = f"按照ISO/IEC 25010（GB/T 25000.10）产品质量模型，“{sub}”是下列哪一个质量特性的子特性（  ）。"
        out.append(choice(f"320301000{seq}", 11, "320301", ["32000302"],
                            opts, ans, stem, note + "。"))
        seq += 1
    for char in QUALITY_MULTI:
        subs = QUALITY[char]
        rights = rng.sample(subs, 3)
        others = [s for s in OWNER if OWNER[s] != char]
        wrongs = rng.sample(others, 2)
        opts, ans = multiple(rng, [(r, True) for r in rights] + [(w, False) for w in wrongs])
        stem = f"在ISO/IEC 25010（GB/T 25000.10）的产品质量模型中，属于“{char}”子特性的有（  ）。"
        analysis = (f"{char}的子特性是{'、'.join(subs)}。"
                    + "；".join(f"{w}属于{OWNER[w]}" for w in wrongs) + "。")
        out.append(choice(f"320301000{seq}", 14, "320301", ["32000302"],
                            opts, ans, stem, analysis))
        seq += 1
    return out


# ---------------------------------------------------------------- availability and RAID

def duration(minutes):
    """Minutes as the text an operations engineer would write."""
    if minutes >= 120:
        return f"{minutes / 60:.2f}".rstrip("0").rstrip(".") + "小时"
    return f"{minutes:.2f}".rstrip("0").rstrip(".") + "分钟"


# availability in percent, period name, minutes in the period, asked backwards
# (the downtime given, the availability asked) so the pairs differ in kind
DOWNTIME_ASKED = [
    ("99.9", "全年（按365天计）", 365 * 24 * 60, False),
    ("99.99", "全年（按365天计）", 365 * 24 * 60, True),
    ("99.95", "一个月（按30天计）", 30 * 24 * 60, False),
    ("99.5", "一个月（按30天计）", 30 * 24 * 60, True),
]
LEVELS = ["99", "99.5", "99.9", "99.95", "99.99", "99.999"]


def downtime_questions(rng, seq):
    out = []
    for pct, period, total, backwards in DOWNTIME_ASKED:
        def allowed(p):
            return total * (100 - float(p)) / 100
        near = [lv for lv in LEVELS if lv != pct]
        near.sort(key=lambda lv: abs(LEVELS.index(lv) - LEVELS.index(pct)))
        minutes = allowed(pct)
        if backwards:
            opts, ans = single(rng, pct + "%", [lv + "%" for lv in near[:3]])
            stem = (f"某在线服务在{period}内的累计停机时间为{duration(minutes)}，"
                    f"则它在这一周期内达到的可用性为（  ）。")
            analysis = (f"可用性 = 1 - 停机时间 ÷ 统计周期 = 1 - {minutes:g}分钟 ÷ {total}分钟 "
                        f"= 1 - {100 - float(pct):g}% = {pct}%。")
        else:
            correct = duration(minutes)
            opts, ans = single(rng, correct, [duration(allowed(lv)) for lv in near[:3]])
            stem = (f"某在线服务的服务级别协议（SLA）承诺的可用性为{pct}%，"
                    f"则该服务在{period}内允许的累计停机时间最多约为（  ）。")
            analysis = (f"允许停机时间 = 统计周期 × (1 - 可用性) = {total}分钟 × {100 - float(pct):g}% "
                        f"= {minutes:g}分钟" + (f"，约{correct}。" if minutes >= 120 else "。"))
        out.append(choice(f"330201000{seq}", 11, "330201", ["33000201", "33000202"],
                            opts, ans, stem, analysis))
        seq += 1
    return out


# level: (usable capacity of n disks of size s, formula, how it stores data)
RAID_RULES = {
    "RAID 0": (lambda n, s: n * s, "n×S", "条带化，容量为全部磁盘之和，但没有冗余，任何一块盘损坏都会丢失数据"),
    "RAID 1": (lambda n, s: n * s / 2, "n×S/2", "镜像，可用容量为总容量的一半"),
    "RAID 5": (lambda n, s: (n - 1) * s, "(n-1)×S", "分布式奇偶校验，校验信息占用相当于一块磁盘的容量，允许任意一块磁盘损坏"),
    "RAID 6": (lambda n, s: (n - 2) * s, "(n-2)×S", "双重分布式校验，校验信息占用相当于两块磁盘的容量，允许任意两块磁盘同时损坏"),
    "RAID 10": (lambda n, s: n * s / 2, "n×S/2", "先镜像再条带化，可用容量为总容量的一半，每个镜像对中坏一块盘不影响数据"),
}
# level, disks, size of each disk in TB, hot spares among the disks
RAID_ASKED = [("RAID 5", 6, 4, 0), ("RAID 6", 8, 2, 0), ("RAID 10", 8, 4, 0), ("RAID 5", 7, 4, 1)]


def tb(v):
    return f"{v:g}TB"


def raid_questions(rng, seq):
    out = []
    for level, disks, size, spares in RAID_ASKED:
        rule, formula, note = RAID_RULES[level]
        n = disks - spares  # a hot spare holds no data until it replaces a failed disk
        correct = rule(n, size)
        # wrong answers: what the same disks would give under other layouts
        pool = []
        for v in [disks * size, (disks - 1) * size, n * size, (n - 1) * size, (n - 2) * size,
                  n * size / 2, size]:
            if v != correct and v > 0 and v not in pool:
                pool.append(v)
        wrong = rng.sample(pool, 3)
        opts, ans = single(rng, tb(correct), [tb(w) for w in wrong])
        if spares:
            stem = (f"某存储柜装有{disks}块容量均为{size}TB的磁盘，其中{spares}块设为全局热备盘，"
                    f"其余磁盘组成一个{level}阵列。该阵列的可用容量约为（  ）。")
            spare_note = f"热备盘平时不存放数据，只在成员盘故障时顶替重建，因此参与阵列的磁盘为{n}块。"
        else:
            stem = (f"某服务器用{disks}块容量均为{size}TB的磁盘组成{level}阵列（不设热备盘），"
                    f"该阵列的可用容量约为（  ）。")
            spare_note = ""
        analysis = (f"{level}采用{note}。{spare_note}n块容量为S的磁盘可用容量为{formula}，"
                    f"此处n = {n}、S = {size}TB，可用容量为{tb(correct)}。")
        out.append(choice(f"330302000{seq}", 11, "330302", ["33000303"],
                            opts, ans, stem, analysis))
        seq += 1
    return out


def main():
    f31 = "31-系统分析与设计.txt"
    f32 = "32-软件测试与质量.txt"
    f33 = "33-系统运维与服务管理.txt"
    replace_block(f31, "patterns", pattern_questions())
    replace_block(f32, "quality", quality_questions())
    rng = random.Random(3302)
    replace_block(f33, "downtime", downtime_questions(rng, 501))
    replace_block(f33, "raid", raid_questions(rng, 501))


if __name__ == "__main__":
    main()
