#!/usr/bin/python3
"""Computes face_population_mean.txt: the mean faceres descriptor of a population of faces,
which face_embedding.onnx subtracts before matching.

The faces are the ones OpenCV's Haar cascade finds in the group photos of the test data and in
every tenth frame of its video clip, cropped exactly as the application crops a face and run
through the same upscale and backbone as the application's model. None of them belongs to the
people in testdata/identities, on which the matching thresholds are checked, so the mean is
not fitted to those people. Run it again only when the backbone or the crop changes; the
result is committed.

Usage: population_mean.py [--testdata DIR] [--model-json FILE] [--out FILE]
"""

import argparse
import datetime
import glob
import os
import sys
import tempfile

import cv2
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_face_embedding  # noqa: E402
import face_crop  # noqa: E402
import tfjs_to_onnx  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
FACERES_JSON = os.path.join(HERE, "node_modules", "@vladmandic", "human-models", "models", "faceres.json")
# A stricter vote than the application's stand-in detector uses keeps the cascade's false
# detections (patterns in clothes, a dog's face) out of the population.
MIN_NEIGHBOURS = 8
GROUP_MIN_FACE = 24
VIDEO_MIN_FACE = 40
VIDEO_EVERY = 10


def strict_faces(image, min_size):
    gray = cv2.cvtColor(image, cv2.COLOR_BGR2GRAY)
    return face_crop.cascade().detectMultiScale(gray, 1.05, MIN_NEIGHBOURS, minSize=(min_size, min_size))


def photos_with_people(testdata):
    """Group photos whose annotation counts at least one human face (faces.tsv)."""
    listed = os.path.join(testdata, "groups", "faces.tsv")
    with open(listed, encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    return sorted(os.path.join(testdata, "groups", name) for name, count in rows[1:] if int(count) > 0)


def group_faces(testdata):
    for path in photos_with_people(testdata):
        image = cv2.imread(path)
        if image is None:
            raise RuntimeError(f"cannot read {path}")
        for box in strict_faces(image, GROUP_MIN_FACE):
            crop = face_crop.crop_face(image, box)
            if crop is not None:
                yield os.path.basename(path), crop


def video_faces(testdata):
    for path in sorted(glob.glob(os.path.join(testdata, "video", "*.mp4"))):
        for _, frame in face_crop.video_frames(path, VIDEO_EVERY):
            for box in strict_faces(frame, VIDEO_MIN_FACE):
                crop = face_crop.crop_face(frame, box)
                if crop is not None:
                    yield os.path.basename(path), crop


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--testdata", default=face_crop.default_testdata_dir())
    parser.add_argument("--model-json", default=FACERES_JSON)
    parser.add_argument("--out", default=build_face_embedding.DEFAULT_MEAN)
    args = parser.parse_args(argv)
    if not args.testdata:
        parser.error("no test data found; give --testdata")

    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "descriptor.onnx")
        tfjs_to_onnx.save(build_face_embedding.build(args.model_json, descriptor_only=True), path)
        net = cv2.dnn.readNetFromONNX(path)

    descriptors, sources = [], {}
    for source, crop in list(group_faces(args.testdata)) + list(video_faces(args.testdata)):
        net.setInput(face_crop.to_blob(crop))
        descriptors.append(net.forward().ravel().astype(np.float64))
        sources[source] = sources.get(source, 0) + 1
    if len(descriptors) < 20:
        print(f"population_mean: only {len(descriptors)} faces found; refusing to write a mean", file=sys.stderr)
        return 1
    mean = np.mean(descriptors, axis=0)
    header = "\n".join([
        "Mean faceres descriptor (global_pooling/Mean, 1024 values) of a population of faces;",
        "face_embedding.onnx subtracts it. Made by population_mean.py on "
        + datetime.date.today().isoformat() + " from " + str(len(descriptors)) + " faces:",
        ", ".join(f"{k} {v}" for k, v in sorted(sources.items())),
    ])
    tmp_out = args.out + ".tmp"
    np.savetxt(tmp_out, mean, fmt="%.8e", header=header)
    os.replace(tmp_out, args.out)
    print(f"population_mean: {len(descriptors)} faces -> {args.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
