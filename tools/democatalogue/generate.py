#!/usr/bin/env python3
"""Generates the demo catalogue that the stand-in web server serves.

    generate.py --out DIR [--seed N]

Writes DIR/www (served as files: the ranking archive) and DIR/corpus/catalogue.json (read by the
server's catalogue handler). Every name is invented from syllable tables; the same seed gives the
same bytes. Addresses in the archive use the placeholder host PLACEHOLDER, which the server replaces
by the request's own host when it serves them.
"""
import argparse
import json
import os
import random
import sys
import zipfile

PLACEHOLDER = "http://vxdemo.invalid"
DEFAULT_SEED = 920
PRODUCT_NAME = "Vx音乐网盘"

DISTRICTS = [("港台", "gangtai"), ("大陆", "dalu"), ("欧美", "oumei"), ("日韩", "rihan")]
SEXES = [("男", "nan"), ("女", "nv"), ("组合", "zuhe")]
SINGERS_PER_KEY = 270          # 12 keys: 3240 singers
EXTRA_SONGS = 2300             # beyond one song per singer

# Surnames with the initial of their reading.
SURNAMES = [("艾", "A"), ("安", "A"), ("白", "B"), ("包", "B"), ("陈", "C"), ("程", "C"), ("邓", "D"),
            ("丁", "D"), ("鄂", "E"), ("范", "F"), ("冯", "F"), ("郭", "G"), ("高", "G"), ("黄", "H"),
            ("何", "H"), ("金", "J"), ("江", "J"), ("孔", "K"), ("康", "K"), ("李", "L"), ("林", "L"),
            ("马", "M"), ("孟", "M"), ("宁", "N"), ("聂", "N"), ("欧阳", "O"), ("潘", "P"), ("彭", "P"),
            ("钱", "Q"), ("秦", "Q"), ("任", "R"), ("阮", "R"), ("孙", "S"), ("宋", "S"), ("唐", "T"),
            ("田", "T"), ("王", "W"), ("吴", "W"), ("徐", "X"), ("谢", "X"), ("杨", "Y"), ("叶", "Y"),
            ("张", "Z"), ("周", "Z")]
GIVEN_MALE = list("俊浩宇轩文杰涛磊强伟明辉志朗睿哲晨远航峻川")
GIVEN_FEMALE = list("雅静欣怡婷琳娜悦雪晴薇瑶佳颖萱露芸璐岚")
EAST_SURNAMES = [("山田", "S"), ("佐野", "Z"), ("高桥", "G"), ("田村", "T"), ("渡濑", "D"), ("小野", "X"),
                 ("木下", "M"), ("朴", "P"), ("崔", "C"), ("姜", "J"), ("尹", "Y"), ("韩", "H"),
                 ("申", "S"), ("权", "Q"), ("安", "A"), ("河", "H"), ("林", "L"), ("奈良", "N")]
EAST_GIVEN_MALE = ["健一", "拓真", "智勋", "俊秀", "大辅", "秀贤", "贤宇", "翔太", "正浩", "在民"]
EAST_GIVEN_FEMALE = ["美咲", "惠英", "由纪", "秀晶", "爱子", "智妍", "千夏", "恩惠", "真央", "素妍"]
# First syllables by letter, so that every initial occurs.
LATIN_FIRST = {
    "A": ["Al", "Ari"], "B": ["Bel", "Bro"], "C": ["Cal", "Cor"], "D": ["Dar", "Del"],
    "E": ["El", "Eri"], "F": ["Fal", "Fio"], "G": ["Gal", "Gre"], "H": ["Hal", "Hel"],
    "I": ["Il", "Iva"], "J": ["Jo", "Jen"], "K": ["Kai", "Kel"], "L": ["Lo", "Lia"],
    "M": ["Mar", "Mel"], "N": ["Nor", "Nia"], "O": ["Ol", "Ori"], "P": ["Pal", "Per"],
    "Q": ["Quin", "Qua"], "R": ["Ros", "Rin"], "S": ["Sal", "Sor"], "T": ["Tam", "Tor"],
    "U": ["Ul", "Uma"], "V": ["Val", "Vi"], "W": ["Wil", "Wen"], "X": ["Xan", "Xe"],
    "Y": ["Yor", "Ya"], "Z": ["Zan", "Zel"]}
LATIN_MID = ["a", "en", "i", "o", "ric", "na", "lie", "ton", "mir", "dra"]
LATIN_LAST = ["Marsh", "Vale", "Brook", "Stone", "Ferro", "Lund", "Hart", "Quill", "Dorne", "Reyes",
              "Crane", "Ashby", "Moreau", "Linden", "Kessel", "Wren"]
GROUP_WORDS = [("白鲸", "B"), ("青柠", "Q"), ("铁轨", "T"), ("纸飞机", "Z"), ("橙色", "C"), ("北极光", "B"),
               ("海盐", "H"), ("南风", "N"), ("野火", "Y"), ("琥珀", "H"), ("石榴", "S"), ("蓝鲸", "L"),
               ("风铃", "F"), ("麦芽", "M"), ("雾岛", "W"), ("晚星", "W"), ("候鸟", "H"), ("栗子", "L"),
               ("蒲公英", "P"), ("夜航", "Y"), ("灯塔", "D"), ("雪松", "X"), ("知更鸟", "Z"), ("锦鲤", "J")]
GROUP_PREFIX = [("", ""), ("", ""), ("小", "X"), ("红", "H"), ("蓝", "L"), ("新", "X"), ("老", "L"),
                ("南", "N"), ("北", "B"), ("野", "Y"), ("青", "Q"), ("金", "J")]
GROUP_SUFFIX = ["乐队", "乐团", "组合", "少年", "姐妹", "兄弟"]
LATIN_GROUP_SUFFIX = ["Band", "Club", "Crew", "Trio", "Sisters", "Echo"]

NOUNS = ["夜空", "星河", "雨季", "海风", "晨光", "旧街", "远方", "月亮", "玫瑰", "岛屿", "秋千", "纸船",
         "信笺", "回声", "微光", "雪原", "蝴蝶", "麦田", "流年", "心跳", "梦境", "晚霞", "河岸", "彩虹",
         "城市", "列车", "山谷", "灯火", "窗台", "花园", "码头", "季风", "白昼", "星光", "树影", "钟声"]
ADJECTIVES = ["温柔的", "孤单的", "遥远的", "透明的", "漫长的", "安静的", "炽热的", "蔚蓝的", "迟来的",
              "最后的", "勇敢的", "隐形的", "无声的", "破碎的", "明亮的", "秘密的"]
TITLE_TAILS = ["", "", "", "之歌", "日记", "来信", "（现场版）", "2012", "不说再见", "的约定"]
EN_ADJ = ["Silver", "Midnight", "Paper", "Golden", "Quiet", "Electric", "Broken", "Velvet",
          "Hollow",
          "Crimson", "Endless", "Little"]
EN_NOUN = ["Rain", "Train", "Harbor", "Lights", "Garden", "River", "Letters", "Skyline", "Echoes",
           "Roads", "Fire", "Summer", "Ocean", "Dreams"]
SUBJECTS = ["我", "你", "我们", "他", "她", "风", "雨", "时间"]
ADVERBS = ["还", "总是", "一直", "悄悄", "轻轻", "终于", "依然", "再一次", "偷偷"]
VERBS = ["想起", "等待", "写下", "唱着", "走过", "忘记", "守着", "寻找", "带走", "留住", "听见"]
GENRES = ["流行", "摇滚", "民谣", "电子", "节奏布鲁斯", "爵士", "说唱", "古风"]

CHARTS = [("xinge", "新歌榜"), ("rege", "热歌榜"), ("wangluo", "网络歌曲榜"), ("oumei", "欧美榜"),
          ("rihan", "日韩榜"), ("jingdian", "经典老歌榜"), ("yaogun", "摇滚榜"), ("minyao", "民谣榜")]
PRODUCT_CHARTS = [("vxpan_new", "最新推荐"), ("vxpan_hot", "热门推荐")]
WEEKLY_CHARTS = [("weekly_%02d" % i, "第%d周精选" % i) for i in range(1, 5)]
VIDEO_TAGS = [("华语MV", "video"), ("欧美MV", "video"), ("日韩MV", "video"), ("现场演唱会", "video"),
              ("音乐纪录片", "video"), ("都市剧场", "drama"), ("古装剧场", "drama"), ("青春剧场", "drama")]
QUALITIES = ["标清", "高清", "超清"]


class Namer:
    """Invents unique names: a repeated draw is retried, then numbered."""

    def __init__(self, rng):
        self.rng = rng
        self.used = set()

    def unique(self, make):
        for _ in range(20):
            name, init = make()
            if name not in self.used:
                break
        else:
            base, n = name, 2
            while "%s%d" % (base, n) in self.used:
                n += 1
            name = "%s%d" % (base, n)
        self.used.add(name)
        return name, init


def chinese_person(rng, sex):
    sur, init = rng.choice(SURNAMES)
    pool = GIVEN_MALE if sex == "男" else GIVEN_FEMALE
    given = rng.choice(pool) + (rng.choice(pool) if rng.random() < 0.7 else "")
    return sur + given, init


def east_person(rng, sex):
    sur, init = rng.choice(EAST_SURNAMES)
    return sur + rng.choice(EAST_GIVEN_MALE if sex == "男" else EAST_GIVEN_FEMALE), init


def latin_word(rng, letter):
    return rng.choice(LATIN_FIRST[letter]) + rng.choice(LATIN_MID)


def latin_person(rng, letter):
    return "%s %s" % (latin_word(rng, letter), rng.choice(LATIN_LAST)), letter


def group_name(rng, index, latin, letter):
    if index % 23 == 5:          # some groups start with a digit
        digit = str(index % 10)
        if latin:
            return "%s %s" % (digit * 2, rng.choice(LATIN_GROUP_SUFFIX)), digit
        return "%s号%s" % (digit, rng.choice(GROUP_SUFFIX)), digit
    if latin:
        return "%s %s" % (latin_word(rng, letter), rng.choice(LATIN_GROUP_SUFFIX)), letter
    word, init = rng.choice(GROUP_WORDS)
    prefix, prefix_init = rng.choice(GROUP_PREFIX)
    return prefix + word + rng.choice(GROUP_SUFFIX), prefix_init or init


def make_singers(rng):
    namer = Namer(rng)
    letters = sorted(LATIN_FIRST)
    singers = []
    for dis, _ in DISTRICTS:
        for sex, _ in SEXES:
            for i in range(SINGERS_PER_KEY):
                letter = letters[i % 26]
                if sex == "组合":
                    latin = dis == "欧美" or (dis == "日韩" and i % 3 == 0)
                    make = lambda: group_name(rng, i, latin, letter)
                elif dis == "欧美" or (dis == "日韩" and i % 4 == 0):
                    make = lambda: latin_person(rng, letter)
                elif dis == "日韩":
                    make = lambda: east_person(rng, sex)
                else:
                    make = lambda: chinese_person(rng, sex)
                name, init = namer.unique(make)
                if i % 97 == 13:
                    init = ""    # a few singers without an initial at all
                singers.append({"id": 10001 + len(singers), "name": name, "sex": sex, "dis": dis,
                                "init": init, "latin": name.isascii()})
    order = list(range(len(singers)))
    rng.shuffle(order)
    for rank, index in enumerate(order, 1):
        singers[index]["rank"] = rank
    for s in singers:
        s["img"] = "s%d.jpg" % s["id"]
    return singers


def song_title(rng, latin):
    if latin:
        return "%s %s" % (rng.choice(EN_ADJ), rng.choice(EN_NOUN))
    pattern = rng.randrange(4)
    if pattern == 0:
        return rng.choice(ADJECTIVES) + rng.choice(NOUNS) + rng.choice(TITLE_TAILS)
    if pattern == 1:
        return rng.choice(NOUNS) + rng.choice(NOUNS) + rng.choice(TITLE_TAILS)
    if pattern == 2:
        return rng.choice(VERBS) + rng.choice(NOUNS)
    return rng.choice(NOUNS) + "与" + rng.choice(NOUNS)


def lyric_line(rng):
    obj = rng.choice(ADJECTIVES) + rng.choice(NOUNS) if rng.random() < 0.5 else rng.choice(NOUNS)
    return rng.choice(SUBJECTS) + rng.choice(ADVERBS) + rng.choice(VERBS) + obj


def sign(rng):
    return rng.randrange(1, 0x7FFFFFFF)


def make_songs(rng, singers):
    owners = list(range(len(singers)))
    weights = [1.0 / (s["rank"] ** 0.5) for s in singers]
    owners += rng.choices(range(len(singers)), weights=weights, k=EXTRA_SONGS)
    owners.sort()
    songs, albums = [], []
    by_singer = {}
    for index in owners:
        by_singer.setdefault(index, []).append(index)
    for index, slots in sorted(by_singer.items()):
        singer = singers[index]
        album = None
        for n in range(len(slots)):
            if album is None or len(album["songs"]) >= rng.randint(6, 10):
                title = song_title(rng, singer["latin"]) if rng.random() < 0.8 else "同名专辑"
                album = {"id": 500001 + len(albums), "name": title, "artist": singer["name"],
                         "lang": "英语" if singer["dis"] == "欧美" else
                                 ("日语" if singer["dis"] == "日韩" else "国语"),
                         "score": "%.1f" % rng.uniform(6, 9.8),
                         "pic": "a%d.jpg" % (500001 + len(albums)), "songs": []}
                albums.append(album)
            sid = 100001 + len(songs)
            song = {"id": sid, "name": song_title(rng, singer["latin"]), "artist": singer["name"],
                    "album": album["name"], "album_id": album["id"],
                    "lyrics": [lyric_line(rng) for _ in range(rng.randint(6, 10))],
                    "tag": rng.choice(GENRES), "nsig1": sign(rng), "nsig2": sign(rng),
                    "size": rng.randrange(2000000, 9000000), "mp3nsig1": sign(rng),
                    "mp3nsig2": sign(rng), "mp3size": rng.randrange(2500000, 11000000),
                    "score": rng.randrange(50, 100), "playcnt": rng.randrange(100, 5000000),
                    "releasetime": 946684800 + rng.randrange(0, 13 * 365) * 86400,
                    "bitrate": 128, "mp3bitrate": rng.choice([128, 192, 320])}
            if rng.random() < 0.35:
                song["mvrid"] = "MV_%d" % sid
                if rng.random() < 0.6:
                    song["mkv"] = [sign(rng), sign(rng)]
                    song["kala"] = rng.random() < 0.3
            if rng.random() < 0.1:
                song["ape"] = [sign(rng), sign(rng), rng.randrange(20000000, 40000000)]
            songs.append(song)
            album["songs"].append(sid)
            singer.setdefault("songs", []).append(sid)
    for s in singers:
        s["count"] = len(s.get("songs", []))
    return songs, albums


def make_charts(rng, songs):
    charts = {}
    by_dis = {}
    for song in songs:
        by_dis.setdefault(song["dis"], []).append(song["id"])
    for name, shown in CHARTS + PRODUCT_CHARTS + WEEKLY_CHARTS:
        if name == "oumei":
            pool = by_dis["欧美"]
        elif name == "rihan":
            pool = by_dis["日韩"]
        else:
            pool = [s["id"] for s in songs]
        picks = rng.sample(pool, rng.randint(50, 100))
        charts[name] = {"name": name, "title": shown,
                        "songs": [[sid, rng.choice(["up", "down", "equal"])] for sid in picks]}
    return charts


def video_item(rng, vid, kind, singers):
    act = ", ".join(rng.choice(singers)["name"] for _ in range(rng.randint(1, 3)))
    director, _ = chinese_person(rng, rng.choice(["男", "女"]))
    title = rng.choice(ADJECTIVES) + rng.choice(NOUNS)
    if kind == "drama":
        episodes = rng.randint(12, 40)
        fresh = rng.randint(1, episodes)
        return {"id": str(vid), "name": title, "kind": "drama", "act": act, "dir": director,
                "duration": "45:00", "quality": rng.choice(QUALITIES),
                "introduce": "。".join(lyric_line(rng) for _ in range(3)) + "。",
                "total": str(episodes), "freshto": str(fresh), "src_count": fresh}
    return {"id": str(vid), "name": title + rng.choice(["MV", "现场", "纪录"]), "kind": "video",
            "act": act, "dir": director,
            "duration": "%02d:%02d" % (rng.randint(2, 9), rng.randrange(60)),
            "quality": rng.choice(QUALITIES), "introduce": lyric_line(rng) + "。", "src_count": 1}


def make_videos(rng, singers):
    videos, tags = [], {}
    for tag, kind in VIDEO_TAGS:
        ids = []
        for _ in range(rng.randint(24, 60)):
            item = video_item(rng, 700001 + len(videos), kind, singers)
            videos.append(item)
            ids.append(item["id"])
        tags[tag] = {"kind": kind, "videos": ids}
    return videos, tags


def xml_escape(text):
    return (str(text).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;"))


def element(attrs, children=(), indent=""):
    text = indent + "<pl" + "".join(' %s="%s"' % (k, xml_escape(v)) for k, v in attrs)
    if not children:
        return text + "/>\n"
    inner = "".join(element(a, c, indent + "  ") for a, c in children)
    return text + ">\n" + inner + indent + "</pl>\n"


def pl_file(attrs, children):
    return ('<?xml version="1.0" encoding="GBK"?>\n' + element(attrs, children)).encode("gbk")


def tree_files(singers, charts, video_tags):
    host = PLACEHOLDER
    charts_base = host + "/pdeck_data/charts"
    images = host + "/star/tags/vpan/"

    def chart_list(name, list_id):
        return ([("n", name), ("sn", charts[name]["title"]), ("t", "4"), ("id", list_id),
                 ("img", name + ".jpg"), ("url", name + ".qrb")], ())

    product = [chart_list(n, 11 + i) for i, (n, _) in enumerate(PRODUCT_CHARTS)]
    chart_children = [chart_list(n, 201 + i) for i, (n, _) in enumerate(CHARTS)]
    categories = [("%s%s" % (d[1], s[1]), d[0] + (s[0] if s[0] == "组合" else s[0] + "歌手"))
                  for d in DISTRICTS for s in SEXES] + [("all", "全部歌手")]
    singer_children = [([("n", stem), ("sn", shown), ("t", "0"), ("id", 301 + i),
                         ("ref", "local")], ())
                       for i, (stem, shown) in enumerate(categories)]
    video_children = [([("n", tag), ("sn", tag), ("t", "10" if v["kind"] == "video" else "11"),
                        ("id", 501 + i), ("img", "tag%d.jpg" % i), ("url", "")], ())
                      for i, (tag, v) in enumerate(video_tags.items())]
    top = [
        ([("n", "vxpan"), ("sn", PRODUCT_NAME), ("t", "7"), ("id", 1), ("img", "vxpan.jpg"),
          ("burl", charts_base + "/"), ("bimg", images)], product),
        ([("n", "charts"), ("sn", "排行榜"), ("t", "0"), ("id", 2), ("ref", "local"),
          ("burl", charts_base), ("bimg", images)], ()),
        ([("n", "singers"), ("sn", "歌手库"), ("t", "0"), ("id", 3), ("show", "1"),
          ("bimg", host + "/star/starheads/")], singer_children),
        ([("n", "weblists"), ("sn", "精选MV与专辑"), ("t", "0"), ("id", 4), ("bimg", images)], [
            ([("n", "web_hotmv"), ("sn", "热门MV"), ("t", "3"), ("id", 41),
              ("url", host + "/weblist/hotmv_p0.js")], ()),
            ([("n", "web_newalbum"), ("sn", "新碟上架"), ("t", "2"), ("id", 42),
              ("url", host + "/weblist/newalbum_p0.js")], ())]),
        ([("n", "video"), ("sn", "视频"), ("t", "9"), ("id", 5),
          ("burl", host + "/vdisk.web?t=list&ft=tv&client=kt"), ("bimg", images + "video/")],
         video_children),
        ([("n", "netweekly"), ("sn", "每周推荐"), ("t", "0"), ("id", 6),
          ("nurl", host + "/netlist/netweekly.dat"), ("bimg", images)], ()),
    ]
    files = {
        "root0920.pl": pl_file([], top),
        "charts.pl": pl_file([], chart_children),
        "singer.pl": pl_file([("n", "singer"), ("t", "0")], [
            ([("id", s["id"]), ("n", s["name"]), ("t", "6"), ("img", s["img"]), ("sex", s["sex"]),
              ("dis", s["dis"]), ("rank", s["rank"]), ("init", s["init"]), ("c", s["count"])], ())
            for s in singers]),
    }
    return files


def write_zip(path, files):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as z:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=(2012, 9, 20, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            z.writestr(info, files[name])
    os.replace(tmp, path)


def generate(out, seed):
    rng = random.Random(seed)
    singers = make_singers(rng)
    songs, albums = make_songs(rng, singers)
    dis_of = {s["name"]: s["dis"] for s in singers}
    for song in songs:
        song["dis"] = dis_of[song["artist"]]
    charts = make_charts(rng, songs)
    videos, video_tags = make_videos(rng, singers)
    mv_songs = [s["id"] for s in songs if "mkv" in s]
    weblists = {
        "hotmv": {"kind": "mvlist", "page_size": 20, "items": rng.sample(mv_songs, 150)},
        "newalbum": {"kind": "albumlist", "page_size": 10,
                     "items": [a["id"] for a in rng.sample(albums, 60)]},
    }
    netlists = {"netweekly": {"title": "每周推荐", "charts": [n for n, _ in WEEKLY_CHARTS]}}
    for s in singers:
        s.pop("latin")

    write_zip(os.path.join(out, "www", "pdeck_data", "dataset", "VPan", "Tree.zip"),
              tree_files(singers, charts, video_tags))
    corpus = {"placeholder": PLACEHOLDER, "singers": singers, "songs": songs, "albums": albums,
              "charts": charts, "videos": videos, "video_tags": video_tags, "weblists": weblists,
              "netlists": netlists}
    os.makedirs(os.path.join(out, "corpus"), exist_ok=True)
    path = os.path.join(out, "corpus", "catalogue.json")
    with open(path + ".tmp", "w", encoding="utf-8") as f:
        json.dump(corpus, f, ensure_ascii=False, separators=(",", ":"), sort_keys=True)
    os.replace(path + ".tmp", path)
    return corpus


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--out", required=True)
    p.add_argument("--seed", type=int, default=DEFAULT_SEED)
    args = p.parse_args()
    corpus = generate(args.out, args.seed)
    print("demo catalogue: %d singers, %d songs, %d albums, %d videos in %s"
          % (len(corpus["singers"]), len(corpus["songs"]), len(corpus["albums"]),
             len(corpus["videos"]), args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
