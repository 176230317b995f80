// Built into every program that links the vcs library, in sanitizer builds
// only. libgit2 1.5 leaks memory of its own: the match data of a regular
// expression while a work tree diff reads a submodule's configuration, and
// a buffer when git_merge_base fails on a shallow clone. Allocations are
// unwound in full, through libgit2's frames, so that exactly these leaks
// are suppressed and a libgit2 object that this program fails to free is
// still reported. The statistics of the suppressions are not printed: a
// command's standard error is part of what it gives.

extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" const char *__lsan_default_suppressions()
{
    return "leak:pcre2_match_data_create_8\n"
           "leak:git_merge_base\n";
}

extern "C" const char *__lsan_default_options()
{
    return "print_suppressions=0";
}
