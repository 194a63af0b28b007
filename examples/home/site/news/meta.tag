<HEAD>
<meta HTTP-EQUIV="DC.Subject.Topic" CONTENT="Club news">
<meta HTTP-EQUIV="DC.Type.Item" CONTENT="News item">
<meta HTTP-EQUIV="$SitemapFiles" CONTENT=".htm">
<meta HTTP-EQUIV="$LevelHeading" CONTENT="News">
</HEAD>
