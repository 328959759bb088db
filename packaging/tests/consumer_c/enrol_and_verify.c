/* Enrols a speaker from one recording and verifies two others, as a program using the
 * installed library would: kelvo reads "<n>.raw" (8-bit unsigned mono, 11025 Hz) from the
 * working directory and keeps the profile "kelvo.cfg" there.
 * Usage: enrol_and_verify ENROL.raw SAME_VOICE.raw OTHER_VOICE.raw (in an empty directory).
 * Exit status 0 when the same voice is accepted and the other rejected. */
#include <kelvo/kelvo.h>
#include <stdio.h>

static int copy_to(const char* from, int n) {
    char name[32];
    snprintf(name, sizeof name, "%d.raw", n);
    FILE* in = fopen(from, "rb");
    FILE* out = fopen(name, "wb");
    int ok = in != NULL && out != NULL;
    char buffer[4096];
    size_t got;
    while (ok && (got = fread(buffer, 1, sizeof buffer, in)) > 0) {
        ok = fwrite(buffer, 1, got, out) == got;
    }
    if (in)
        fclose(in);
    if (out && fclose(out) != 0)
        ok = 0;
    return ok;
}

int main(int argc, char** argv) {
    if (argc != 4 || !copy_to(argv[1], 1) || !copy_to(argv[2], 2) || !copy_to(argv[3], 3)) {
        fprintf(stderr, "usage: %s ENROL.raw SAME_VOICE.raw OTHER_VOICE.raw\n", argv[0]);
        return 2;
    }
    int enrolled = TrainSpeaker("Demo", 1);
    double same = EvalSpeaker("Demo", 2);
    double other = EvalSpeaker("Demo", 3);
    printf("enrolled %d, same voice %.2f, other voice %.2f\n", enrolled, same, other);
    return enrolled == KELVO_TRAIN_OK && same > 0.0 && other == 0.0 ? 0 : 1;
}
