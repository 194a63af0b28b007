<HEAD>
<meta HTTP-EQUIV="DC.Audience" CONTENT="Competitive rowers">
<meta HTTP-EQUIV="$SitemapFiles" CONTENT=".htm">
<meta HTTP-EQUIV="$LevelHeading" CONTENT="Squads">
</HEAD>
