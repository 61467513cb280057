#!/usr/bin/perl -w
use strict;
my $count = 0;
my @names = ("a", "b");
my %seen;
foreach my $name (@names) {
    $seen{$name}++;
    $count += $#names;
    print "$name: $seen{$name}\n";
}
my $very_long_variable_name_that_is_too_long = 1;
printf("%d %s\n", $count, "@names");
