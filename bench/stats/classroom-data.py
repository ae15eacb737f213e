#!/usr/bin/env python3
"""Writes a data file for the local web service with a classroom-sized quiz, for timing the result views in the
real program: class 初二(1)班 of the demo with 60 students on keypads 1 to 60, and a mathematics paper of 50
single-answer items (every fifth question with two items) drawn with the demo's pictures.

    bench/stats/classroom-data.py build/bin/webservice/demo.json build/bin/webservice/classroom.json
    build/bin/tav-web-service --data build/bin/webservice/classroom.json --bindings '' --port-file PORTFILE

The file must lie beside the demo file: the service takes the pictures from the "paper" folder beside it."""
import json
import sys

SURNAMES = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗"
GIVEN = "伟芳娜敏静丽强磊军洋勇艳杰涛明超秀霞平刚桂英华玉兰萍建国红梅"


def name(i):
    first = SURNAMES[i % len(SURNAMES)] + GIVEN[(i * 7) % len(GIVEN)]
    return first + GIVEN[(i * 3 + 5) % len(GIVEN)] if i % 3 == 2 else first


def main(source, target):
    with open(source, encoding="utf-8") as f:
        data = json.load(f)
    school_class = next(c for c in data["classes"] if c["classID"] == 101)
    station = school_class["baseStationID"]
    school_class["students"] = [
        {"username": "20240801%02d" % (i + 1), "name": name(i), "sn": str(i + 1), "baseStationID": station}
        for i in range(60)
    ]
    rights = ["B", "C", "A", "D"]
    questions = []
    items = 0
    while items < 50:
        q = len(questions)
        two = q % 5 == 4 and items + 1 < 50
        answer = rights[q % 4] + ("|B" if two else "")
        picture = "100%d" % (1 + q % 2)
        questions.append({"questionID": str(9001 + q), "structID": 1 + q % 3, "sn": q + 1, "answer": answer,
                          "scores": 100, "text": "", "resolve": "", "textPicture": picture + "Text.png",
                          "resolvePicture": picture + "Resolve.png"})
        items += 2 if two else 1
    data["papers"].insert(0, {"paperID": "P9001", "subjectID": 1, "paperName": "课堂五十题",
                              "allScores": str(100 * items),
                              "sections": [{"structID": 1, "structName": "单项选择题"},
                                           {"structID": 2, "structName": "多项选择题"},
                                           {"structID": 3, "structName": "综合题"}],
                              "questions": questions})
    with open(target, "w", encoding="utf-8") as f:
        json.dump(data, f, ensure_ascii=False)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
