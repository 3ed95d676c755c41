// A library with no version function; only its file name carries a version.
extern "C" __attribute__((visibility("default"))) int QuillonVersionlessProbe()
{
    return 1;
}
