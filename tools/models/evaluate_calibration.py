#!/usr/bin/python3
"""Weighs output transforms for face_embedding.onnx on faces left out of their fit.

The model ends in one Gemm on the faceres descriptor (the backbone's 1024 averages); today
it centres on the mean of face_population_mean.txt and keeps the first 512 values. Any
linear transform of the descriptor could be folded into that Gemm instead. This script fits
candidate transforms and measures each on people the fit never saw, so a transform that
only memorises the test faces cannot look good.

Faces: every face the application's detector (BlazeFace, face_crop.BlazeFace) finds in the
test data, cropped as the application crops it - the identity photos shown as camera frames,
the group photos at full size, every third frame of the recorded clip - and each also
mirrored, moved, scaled, darkened and brightened (augmented_crops). Classes: one per identity
folder and one per speaker of the clip; each group face is a class of its own.

Protocol (leave two identities out): for each pair of the seven people (the five identity
folders, the clip's two speakers) and two group photos in turn, fit on everything else, then
enrol each held-out person (enrolment_sets; outliers dropped as the application drops them) and probe with their other faces (genuine) and with the other
held-out person and the held-out group faces (impostor), scored with the application's rule.
Photos and the clip are reported apart: the clip's frames are a hard, webcam-like case
(small face, expressions, a microphone in front of the mouth).

Usage: evaluate_calibration.py [--testdata DIR] [--models DIR] [--cache FILE.npz] [--only NAME...]
"""

import argparse
import itertools
import os
import sys
import tempfile

import cv2
import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_face_embedding  # noqa: E402
import face_crop  # noqa: E402
import measure_embedding  # noqa: E402
import tfjs_to_onnx  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
MODELS = os.path.join(HERE, "node_modules", "@vladmandic", "human-models", "models")
VIDEO_EVERY = 3
# The recorded clip's first speaker is on screen up to this frame, the second one after it.
CLIP_SPEAKER_CHANGE = 212
GROUP_MIN_FACE = 24
AUGMENTED = 10
DESCRIPTOR = build_face_embedding.DESCRIPTOR_SIZE
EMBEDDING = build_face_embedding.EMBEDDING_SIZE


class Face:
    def __init__(self, label, unit, frame, box, name):
        # unit: what is held out together (a person, or a group photo with all its faces)
        self.label, self.unit, self.frame, self.box, self.name = label, unit, frame, box, name


def identity_faces(testdata, detector):
    for person, files in face_crop.identity_images(os.path.join(testdata, "identities")).items():
        for path in files:
            frame = face_crop.as_camera_frame(cv2.imread(path))
            boxes = detector.faces(frame)
            if boxes:
                yield Face(person, person, frame, boxes[0], os.path.relpath(path, testdata))


def group_faces(testdata, detector):
    with open(os.path.join(testdata, "groups", "faces.tsv"), encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f if line.strip()][1:]
    for name, count in sorted(rows):
        if int(count) == 0:
            continue
        image = cv2.imread(os.path.join(testdata, "groups", name))
        for i, box in enumerate(b for b in detector.detect(image) if b[2] >= GROUP_MIN_FACE):
            yield Face(f"{name}#{i}", name, image, box, f"groups/{name}#{i}")


def clip_faces(testdata, detector):
    clip = os.path.join(testdata, "video", "short_hamilton_clip.mp4")
    for index, frame in face_crop.video_frames(clip, VIDEO_EVERY):
        frame = face_crop.as_camera_frame(frame)
        boxes = detector.faces(frame)
        if boxes:
            label = "clip_first" if index < CLIP_SPEAKER_CHANGE else "clip_second"
            yield Face(label, label, frame, boxes[0], f"video#{index}")


def augmented_crops(face, rng, count):
    """The face's crop, its mirror image, then `count` variations: box moved by up to 6 % of
    its size and scaled by 0.9-1.1, mirrored or not, gain 0.7-1.3 and gamma 0.8-1.25."""
    x, y, w, h = face.box
    crops = [face_crop.app_crop(face.frame, face.box)]
    crops.append(cv2.flip(crops[0], 1))
    while len(crops) < 2 + count:
        s = rng.uniform(0.9, 1.1)
        dx, dy = rng.uniform(-0.06, 0.06, 2) * w
        box = (x + w * (1 - s) / 2 + dx, y + h * (1 - s) / 2 + dy, w * s, h * s)
        crop = face_crop.app_crop(face.frame, box)
        if crop is None:
            crop = crops[0]
        if rng.random() < 0.5:
            crop = cv2.flip(crop, 1)
        gain, gamma = rng.uniform(0.7, 1.3), np.exp(rng.uniform(np.log(0.8), np.log(1.25)))
        crops.append(np.clip(255.0 * (crop / 255.0) ** gamma * gain, 0, 255).astype(np.uint8))
    return crops


def collect(testdata, models):
    """(labels, units, names, descriptors [faces, 2 + AUGMENTED, 1024])."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "descriptor.onnx")
        tfjs_to_onnx.save(build_face_embedding.build(os.path.join(models, "faceres.json"),
                                                     descriptor_only=True), path)
        net = cv2.dnn.readNetFromONNX(path)
        detector_path = os.path.join(tmp, "blazeface.onnx")
        face_crop.build_blazeface(os.path.join(models, "blazeface-back.json"), detector_path)
        detector = face_crop.BlazeFace(detector_path)
    faces = (list(identity_faces(testdata, detector)) + list(group_faces(testdata, detector))
             + list(clip_faces(testdata, detector)))
    rng = np.random.default_rng(1)
    desc = np.zeros((len(faces), 2 + AUGMENTED, DESCRIPTOR))
    for i, face in enumerate(faces):
        for j, crop in enumerate(augmented_crops(face, rng, AUGMENTED)):
            net.setInput(face_crop.to_blob(crop))
            desc[i, j] = net.forward().ravel()
    return (np.array([f.label for f in faces]), np.array([f.unit for f in faces]),
            np.array([f.name for f in faces]), desc)


# Candidate transforms: fit(descriptors [faces, variations, 1024], labels) -> (mean, P),
# the embedding being P @ (descriptor - mean), P with at most 512 rows.

def _inverse_sqrt(s, shrink):
    w, u = np.linalg.eigh(s)
    return (u / np.sqrt(w + shrink * np.trace(s) / len(s))) @ u.T


def _strongest_rows(p):
    """512 rows spanning the directions p weighs most (cosines depend only on p^T p)."""
    w, u = np.linalg.eigh(p.T @ p)
    keep = np.argsort(w)[::-1][:EMBEDDING]
    return (u[:, keep] * np.sqrt(np.maximum(w[keep], 0))).T


def _within_scatter(desc, labels):
    """Variation of a face's augmentations around it, plus of a person's faces around them."""
    x = (desc - desc.mean(1, keepdims=True)).reshape(-1, DESCRIPTOR)
    s, n = x.T @ x, len(x)
    faces = desc.mean(1)
    for c in set(labels):
        idx = np.where(labels == c)[0]
        if len(idx) > 1:
            x = faces[idx] - faces[idx].mean(0)
            s, n = s + desc.shape[1] * x.T @ x, n + desc.shape[1] * len(idx)
    return s / n


def _principal(desc):
    faces = desc.mean(1) - desc.mean((0, 1))
    w, u = np.linalg.eigh(faces.T @ faces / len(faces))
    order = np.argsort(w)[::-1]
    return np.maximum(w[order], 0), u[:, order]


def fit_committed(desc, labels):
    return build_face_embedding.load_mean(build_face_embedding.DEFAULT_MEAN), np.eye(DESCRIPTOR)[:EMBEDDING]


def fit_centre(desc, labels):
    return desc.mean((0, 1)), np.eye(DESCRIPTOR)[:EMBEDDING]


def fit_centre_people(desc, labels):
    """The mean of people rather than of photos: every class (a person, a group face) counts
    once however many faces it has, so one person filmed at length does not become the
    population's centre."""
    faces = desc.mean(1)
    return np.mean([faces[labels == c].mean(0) for c in set(labels)], axis=0), np.eye(DESCRIPTOR)[:EMBEDDING]


def fit_centre_groups(desc, labels):
    groups = np.array(["#" in label for label in labels])
    return desc[groups].mean((0, 1)), np.eye(DESCRIPTOR)[:EMBEDDING]


def fit_nuisance(desc, labels, k=10):
    """Centring, then the k strongest within-class directions projected away."""
    w, u = np.linalg.eigh(_within_scatter(desc, labels))
    u = u[:, np.argsort(w)[::-1][:k]]
    return desc.mean((0, 1)), _strongest_rows(np.eye(DESCRIPTOR) - u @ u.T)


def fit_within_whitening(desc, labels, shrink=0.1):
    return desc.mean((0, 1)), _strongest_rows(_inverse_sqrt(_within_scatter(desc, labels), shrink))


def fit_whitening(desc, labels, shrink=0.1):
    w, u = _principal(desc)
    return desc.mean((0, 1)), _strongest_rows(u / np.sqrt(w + shrink * w.mean()) @ u.T)


def fit_principal(desc, labels, k=200):
    """Centring, then only the k principal directions of the faces kept."""
    _, u = _principal(desc)
    return desc.mean((0, 1)), u[:, :k].T


def fit_discriminant(desc, labels, shrink=0.01, power=0.25):
    """Within-class whitening, then directions weighed by their share of between-class
    variance to the given power."""
    white = _inverse_sqrt(_within_scatter(desc, labels), shrink)
    faces = (desc.mean(1) - desc.mean((0, 1))) @ white.T
    w, u = np.linalg.eigh(faces.T @ faces / len(faces))
    keep = np.argsort(w)[::-1][:EMBEDDING]
    return desc.mean((0, 1)), (u[:, keep] * np.maximum(w[keep], 1e-12) ** power).T @ white


CANDIDATES = {
    "committed mean (58 Haar faces), first 512": (fit_committed, False),
    "committed mean, mirror averaged": (fit_committed, True),
    "centre on all faces, first 512": (fit_centre, False),
    "centre on all faces, mirror averaged": (fit_centre, True),
    "centre on people (each class once), first 512": (fit_centre_people, False),
    "centre on people, mirror averaged": (fit_centre_people, True),
    "centre on group faces only": (fit_centre_groups, False),
    "nuisance projection, 10 directions": (fit_nuisance, False),
    "within-class whitening": (fit_within_whitening, False),
    "whitening": (fit_whitening, False),
    "200 principal directions": (fit_principal, False),
    "discriminant (within-whitened, between^0.25)": (fit_discriminant, False),
}


def _select(enrolled):
    """The application's enrolment outlier cut (enrollment_selection.cpp)."""
    if len(enrolled) < 4:
        return enrolled
    sims = enrolled @ measure_embedding.l2(enrolled.mean(0))
    keep = sims >= sims.mean() - 1.5 * sims.std()
    return enrolled[keep] if keep.any() else enrolled


def enrolment_sets(n):
    """Photos: every cyclic run of min(5, n - 1). The clip: five frames spread over it (every
    (n // 5)-th, from each start in turn), as an enrolment gathers a person from moments
    apart; five neighbouring frames would show one moment five times."""
    if n < 15:
        return measure_embedding.enrolment_sets(list(range(n)), True)
    step = n // 5
    return [[start + step * k for k in range(5)] for start in range(step)]


def held_out_trials(fit, mirror, labels, units, desc):
    people = [u for u in dict.fromkeys(units) if "." not in u]
    groups = sorted(u for u in set(units) if "." in u)
    photos, clip, impostor = [], [], []
    for fold, pair in enumerate(itertools.combinations(people, 2)):
        held_groups = [groups[fold % len(groups)], groups[(fold + 3) % len(groups)]]
        held = np.isin(units, list(pair) + held_groups)
        mean, p = fit(desc[~held], labels[~held])
        x = desc[held][:, :2].mean(1) if mirror else desc[held][:, 0]
        e = measure_embedding.l2((x - mean) @ p.T)
        held_labels = labels[held]
        for person in pair:
            mine = np.where(held_labels == person)[0]
            others = np.where(held_labels != person)[0]
            for enrolled in enrolment_sets(len(mine)):
                enrolled_set = _select(e[mine[enrolled]])
                genuine = [measure_embedding.combined_score(enrolled_set, e[mine[j]])
                           for j in range(len(mine)) if j not in enrolled]
                (clip if person.startswith("clip") else photos).extend(genuine)
                impostor.extend(measure_embedding.combined_score(enrolled_set, e[i]) for i in others)
    return np.array(photos), np.array(clip), np.array(impostor)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--testdata", default=face_crop.default_testdata_dir())
    parser.add_argument("--models", default=MODELS, help="folder with faceres.json and blazeface-back.json")
    parser.add_argument("--cache", help="descriptors: read from / write to this .npz file")
    parser.add_argument("--only", nargs="*", help="evaluate only candidates whose name contains one of these")
    args = parser.parse_args(argv)
    if args.cache and os.path.exists(args.cache):
        z = np.load(args.cache)
        labels, units, names, desc = z["labels"], z["units"], z["names"], z["desc"]
    else:
        if not args.testdata:
            parser.error("no test data found; give --testdata")
        labels, units, names, desc = collect(args.testdata, args.models)
        if args.cache:
            np.savez(args.cache, labels=labels, units=units, names=names, desc=desc)
    counts = {u: int(np.sum(units == u)) for u in dict.fromkeys(units)}
    print(f"{len(labels)} faces: " + ", ".join(f"{u} {n}" for u, n in counts.items()))
    print("held out; genuine mean (5th percentile) | TAR % relaxed/balanced/strict | "
          "impostor mean, max | false accepts at 0.5")
    for name, (fit, mirror) in CANDIDATES.items():
        if args.only and not any(o in name for o in args.only):
            continue
        photos, clip, impostor = held_out_trials(fit, mirror, labels, units, desc)
        tar = lambda g: "/".join(f"{100 * np.mean(g >= t):.1f}" for _, t in measure_embedding.THRESHOLDS)
        print(f"{name}\n  photos {photos.mean():.3f} ({np.percentile(photos, 5):.3f}) {tar(photos)}"
              f" | clip {clip.mean():.3f} ({np.percentile(clip, 5):.3f}) {tar(clip)}"
              f" | impostor {impostor.mean():.3f}, {impostor.max():.3f} | {int(np.sum(impostor >= 0.5))}"
              f" of {len(impostor)}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
