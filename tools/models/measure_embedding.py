#!/usr/bin/python3
"""Measures how well face_embedding.onnx, run through OpenCV's DNN module, separates people
under the application's matching rule and thresholds.

Matching rule (as in the application): embeddings are L2-normalised; a probe's combined score
against an enrolled set is 0.6 x the mean of its top-3 cosine similarities + 0.4 x its cosine
with the L2-normalised mean of the set. A match is a combined score >= 0.5 (relaxed),
0.55 (balanced) or 0.65 (strict).

Protocol: for every person in testdata/identities, enrol the first 5 images (sorted by name)
and probe with each of that person's other images (genuine) and every image of the other
people (impostor). --rotations adds more genuine trials: every cyclic run of min(5, n - 1)
images is enrolled in turn, so people with few photos are probed too. Photos are shown as a
640x480 camera frame (face_crop.py) and the application's detector (BlazeFace, built from the
pinned package) finds the face, or with --detector haar OpenCV's Haar cascade; photos in
which it finds no face are listed and left out, as the application would see no face there.
These faces are the ones evaluate_calibration.py holds out in turn; a transform fitted on them
must not be judged by this script.

Usage: measure_embedding.py [--model ONNX | --mean FILE|zero] [--testdata DIR] [--rotations]
                            [--detector blazeface|haar]
"""

import argparse
import itertools
import os
import sys
import tempfile
import time

import cv2
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_face_embedding  # noqa: E402
import face_crop  # noqa: E402
import tfjs_to_onnx  # noqa: E402

THRESHOLDS = (("relaxed", 0.5), ("balanced", 0.55), ("strict", 0.65))
ENROL = 5
MODELS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "node_modules", "@vladmandic", "human-models",
                      "models")


def l2(v):
    n = np.linalg.norm(v, axis=-1, keepdims=True)
    return v / np.where(n > 0, n, 1)


def combined_score(enrolled, probe):
    sims = np.sort(enrolled @ probe)[::-1]
    k = min(3, len(sims))
    top = sims[:k].mean()
    mean = l2(enrolled.mean(axis=0))
    return np.float32(0.6) * np.float32(top) + np.float32(0.4) * np.float32(mean @ probe)


def enrolment_sets(indices, rotations):
    if not rotations:
        return [indices[:ENROL]]
    n = len(indices)
    k = min(ENROL, n - 1)
    return [[indices[(s + j) % n] for j in range(k)] for s in range(n)] if k > 0 else []


def trials(embeddings, people, rotations):
    genuine, impostor = [], []
    for person in sorted(set(people)):
        mine = [i for i, p in enumerate(people) if p == person]
        for enrolled in enrolment_sets(mine, rotations):
            e = embeddings[enrolled]
            genuine += [combined_score(e, embeddings[i]) for i in mine if i not in enrolled]
            impostor += [combined_score(e, embeddings[i]) for i, p in enumerate(people) if p != person]
    return np.array(genuine), np.array(impostor)


def pair_cosines(embeddings, people):
    same, other = [], []
    for i, j in itertools.combinations(range(len(people)), 2):
        (same if people[i] == people[j] else other).append(float(embeddings[i] @ embeddings[j]))
    return np.array(same), np.array(other)


def report(embeddings, people, rotations):
    genuine, impostor = trials(embeddings, people, rotations)
    label = "rotating enrolment" if rotations else "first 5 enrolled"
    print(f"\n{label}: {len(genuine)} genuine, {len(impostor)} impostor trials")
    print(f"  combined score  genuine {genuine.mean():.3f} ± {genuine.std():.3f} (min {genuine.min():.3f})"
          f"   impostor {impostor.mean():.3f} ± {impostor.std():.3f} (max {impostor.max():.3f})")
    for name, t in THRESHOLDS:
        tar = 100.0 * np.mean(genuine >= t)
        far = 100.0 * np.mean(impostor >= t)
        print(f"  {name:8s} {t:.2f}: TAR {tar:6.2f} %   FAR {far:6.2f} %"
              f"   ({np.sum(genuine < t)} genuine rejected, {np.sum(impostor >= t)} impostors accepted)")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--model", help="face_embedding.onnx to measure (default: build one from "
                        "node_modules with --mean)")
    parser.add_argument("--mean", default=build_face_embedding.DEFAULT_MEAN,
                        help="population mean for the built model, or 'zero' for an uncentred head")
    parser.add_argument("--testdata", default=face_crop.default_testdata_dir())
    parser.add_argument("--rotations", action="store_true", help="also report rotating enrolment")
    parser.add_argument("--detector", choices=("blazeface", "haar"), default="blazeface",
                        help="the application's detector (default) or the Haar cascade")
    args = parser.parse_args(argv)
    if not args.testdata:
        parser.error("no test data found; give --testdata")

    with tempfile.TemporaryDirectory() as tmp:
        path = args.model
        if not path:
            mean = (np.zeros(build_face_embedding.DESCRIPTOR_SIZE) if args.mean == "zero"
                    else build_face_embedding.load_mean(args.mean))
            faceres = os.path.join(MODELS, "faceres.json")
            path = os.path.join(tmp, "face_embedding.onnx")
            tfjs_to_onnx.save(build_face_embedding.build(faceres, mean), path)
        started = time.perf_counter()
        net = cv2.dnn.readNetFromONNX(path)
        load_ms = 1000 * (time.perf_counter() - started)
        if args.detector == "blazeface":
            detector_path = os.path.join(tmp, "blazeface.onnx")
            face_crop.build_blazeface(os.path.join(MODELS, "blazeface-back.json"), detector_path)
            detector = face_crop.BlazeFace(detector_path)
            crop_of = lambda f: face_crop.app_crop_of_photo(f, detector)
        else:
            crop_of = face_crop.face_crop_of_photo

    people, embeddings, missed, run_ms = [], [], [], []
    for person, files in face_crop.identity_images(os.path.join(args.testdata, "identities")).items():
        for f in files:
            crop = crop_of(f)
            if crop is None:
                missed.append(os.path.relpath(f, args.testdata))
                continue
            net.setInput(face_crop.to_blob(crop))
            started = time.perf_counter()
            out = net.forward()
            run_ms.append(1000 * (time.perf_counter() - started))
            if out.shape != (1, 512):
                print(f"measure_embedding: the model gives {out.shape}, not (1, 512)", file=sys.stderr)
                return 1
            people.append(person)
            embeddings.append(out.ravel())
    embeddings = l2(np.array(embeddings, np.float32))

    print(f"model {path if args.model else '(built, mean: ' + args.mean + ')'}")
    print(f"OpenCV {cv2.__version__}: readNetFromONNX {load_ms:.0f} ms, forward median {np.median(run_ms[1:]):.1f} ms")
    print(f"faces: {len(people)} of {len(people) + len(missed)} photos "
          f"({', '.join(f'{p} {people.count(p)}' for p in sorted(set(people)))})")
    if missed:
        print("no face found by the detector in: " + ", ".join(missed))
    same, other = pair_cosines(embeddings, people)
    print(f"cosine of single pairs: same person {same.mean():.3f} ± {same.std():.3f}, "
          f"different people {other.mean():.3f} ± {other.std():.3f}")
    report(embeddings, people, False)
    if args.rotations:
        report(embeddings, people, True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
